// dupscan-tidy that ends itself at a given step, for the test that interrupts apply at every
// boundary. Usage: dupscan-tidy-stepkill STEP [dupscan-tidy's arguments...]; STEP 0 never ends
// early. An early end is _Exit: no handler runs and nothing is flushed, as after SIGKILL or a
// power cut. Standard error gets "steps N" when it runs to its end.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/program_entry.h"
#include "tidy/run_tidy.h"
#include "tidy/step_hook.h"

namespace {

constexpr int kEndedAtStep = 86;
long long stopAt = 0;
long long steps = 0;

void CountStep() {
  if (++steps == stopAt) {
    std::_Exit(kEndedAtStep);
  }
}

}  // namespace

int ProgramMain(int count, PathChar** arguments) {
  if (count < 2) {
    return kExitTrouble;
  }
  stopAt = std::stoll(PathString(arguments[1]));
  SetStepHook(CountStep);
  arguments[1] = arguments[0];
  const int status = RunTidyArguments(count - 1, arguments + 1);
  std::fprintf(stderr, "steps %lld\n", steps);
  return status;
}
