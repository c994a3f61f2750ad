#include "tidy/act/pair_action.h"

#include <chrono>

#include "platform/temporary_name.h"
#include "tidy/act/pair_steps.h"
#include "tidy/plan/plan_output.h"

namespace {

// Names beside the copy for the file that will take its place and for the copy set aside:
// hidden, short whatever the copy's name, and recognisable in a folder after a power cut.
constexpr int kNameAttempts = 100;

// A name no entry of the folder has now; a name taken later makes the step that needs it fail.
PathString FreeName(const HeldFolder& folder, long long step, const PathString& other) {
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  PathString name;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::uint64_t seed = static_cast<std::uint64_t>(now) ^
                               (static_cast<std::uint64_t>(step) << 20) ^
                               static_cast<std::uint64_t>(attempt);
    name = TemporaryName(kSpareNameStem, seed);
    if (name != other && StatEntry(folder, name).type == EntryType::kMissing) {
      break;
    }
  }
  return name;
}

}  // namespace

PairOutcome ActOnPair(ApplyContext& context, const Member& kept, const Member& copy) {
  ++context.step;
  Side keptSide;
  Side copySide;
  Steps steps{context,
              keptSide,
              copySide,
              PairOutcome(),
              IntentOf(context, ActionWord(context.action), kept, copy),
              PathString(),
              PathString(),
              PathString(context.report.paths.at(copy.path), copy.nameStart)};
  std::string why;
  if (!Ready(context, kept, copy, &keptSide, &copySide, &why)) {
    Skip(steps, why);
  } else if (context.action == Action::kMove) {
    MoveWithChecks(steps, copy);
  } else {
    if (context.action != Action::kReflink) {  // a reflink changes the copy in place
      steps.temporary = FreeName(copySide.folder, context.step, PathString());
      steps.aside = FreeName(copySide.folder, context.step, steps.temporary);
      steps.intent.Path(kTemporaryKey, steps.temporary).Path(kAsideKey, steps.aside);
    }
    if (Begin(steps)) {
      if (context.action == Action::kRemove) {
        Remove(steps);
      } else if (context.action == Action::kLink) {
        Link(steps);
      } else {
        Reflink(steps);
      }
      Finish(steps);
    }
  }
  if (!steps.begun && !steps.outcome.journalFailed) {
    RecordSkip(steps);
  }
  return steps.outcome;
}
