// dupscan-tidy that ends itself at a given step, for the test that interrupts apply at every
// boundary. Usage: dupscan-tidy-stepkill STEP [dupscan-tidy's arguments...]; STEP 0 never ends
// early. An early end is _Exit: no handler runs and nothing is flushed, as after SIGKILL or a
// power cut. Standard error gets "steps N" when it runs to its end.
// With STEP written "STEP:FILE" it does not end but writes over the first bytes of FILE at that
// step, in place and keeping its size, as another program writing a file apply is acting on;
// standard error then also gets "edited" when the file could be written; written "STEP=FILE", it
// also puts the file's modification time back, as a program hiding its write would. With STEP
// written "STEP>FROM>TO" it renames FROM to TO at that step, as another program moving a folder
// would; "STEP>FROM>TO>FROM2>TO2..." makes each rename in turn.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/program_entry.h"
#include "tidy/act/step_hook.h"
#include "tidy/act/step_kill_write.h"
#include "tidy/driver/run_tidy.h"

namespace {

constexpr int kEndedAtStep = 86;
constexpr char kEdit[] = "EDIT";
long long stopAt = 0;
long long steps = 0;
PathString editedFile;
bool timePutBack = false;
std::vector<std::pair<PathString, PathString>> renames;
bool edited = false;

void WriteOver() {
  const std::filesystem::path path(editedFile);
  std::error_code ignored;
  const auto written = std::filesystem::last_write_time(path, ignored);
  edited = WriteInPlace(path, kEdit, sizeof kEdit - 1);
  if (timePutBack) {
    std::filesystem::last_write_time(path, written, ignored);
  }
}

void CountStep() {
  if (++steps != stopAt) {
    return;
  }
  if (!renames.empty()) {
    for (const auto& rename : renames) {
      std::error_code ignored;
      std::filesystem::rename(rename.first, rename.second, ignored);
    }
  } else if (editedFile.empty()) {
    std::_Exit(kEndedAtStep);
  } else {
    WriteOver();
  }
}

}  // namespace

int ProgramMain(int count, PathChar** arguments) {
  if (count < 2) {
    return kExitTrouble;
  }
  const PathString step(arguments[1]);
  const std::size_t equals = step.find(PATH_TEXT('='));
  timePutBack = equals != PathString::npos;
  const std::size_t colon = timePutBack ? equals : step.find(PATH_TEXT(':'));
  std::size_t from = step.find(PATH_TEXT('>'));
  stopAt = std::stoll(step.substr(0, std::min(colon, from)));
  if (from == PathString::npos && colon != PathString::npos) {
    editedFile = step.substr(colon + 1);
  }
  while (from != PathString::npos) {
    const std::size_t to = step.find(PATH_TEXT('>'), from + 1);
    const std::size_t end = to == PathString::npos ? to : step.find(PATH_TEXT('>'), to + 1);
    renames.emplace_back(step.substr(from + 1, to - from - 1),
                         step.substr(to + 1, end == PathString::npos ? end : end - to - 1));
    from = end;
  }
  SetStepHook(CountStep);
  arguments[1] = arguments[0];
  const int status = RunTidyArguments(count - 1, arguments + 1);
  std::fprintf(stderr, "steps %lld\n%s", steps, edited ? "edited\n" : "");
  return status;
}
