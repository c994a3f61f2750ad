#include "tidy/act/apply.h"

#include "platform/text_output.h"
#include "tidy/act/emptied_folders.h"
#include "tidy/act/journal.h"
#include "tidy/act/pair_action.h"
#include "tidy/exit_status.h"
#include "tidy/plan/plan_output.h"
#include "tidy/plan/summary.h"
#include "tidy/report/progress.h"
#include "tidy/report/shown_path.h"
#include "tidy/tidy_texts.h"

namespace {

const char* DoneWord(Action action) {
  switch (action) {
    case Action::kLink:
      return kLinkedWord;
    case Action::kReflink:
      return kReflinkedWord;
    default:
      return kRemovedWord;
  }
}

struct Totals {
  long long done = 0;
  long long skipped = 0;
  long long freed = 0;
  std::vector<std::size_t> emptied;  ///< the folders of the copies removed, in CheckedReport
};

void PrintOutcome(TextOutput& console, Action action, const PathChar* path,
                  const PairOutcome& outcome, Totals* totals) {
  if (!outcome.leftAs.empty()) {
    PrintText(console, kLeftAsideLine, ShownPath(path).c_str(), outcome.why.c_str(),
              ShownPath(outcome.leftAs).c_str());
    ++totals->skipped;
  } else if (!outcome.done) {
    PrintText(console, kSkippedLine, ShownPath(path).c_str(), outcome.why.c_str());
    ++totals->skipped;
  } else if (action == Action::kMove) {
    PrintText(console, kMovedLine, ShownPath(path).c_str(), ShownPath(outcome.movedTo).c_str());
    ++totals->done;
  } else {
    PrintText(console, kDoneLine, DoneWord(action), ShownPath(path).c_str());
    ++totals->done;
    totals->freed += outcome.freed;
  }
}

// One step; false when the journal failed and nothing more may be done.
bool ApplyStep(TextOutput& console, ApplyContext& context, const PlannedStep& step,
               Totals* totals) {
  if (step.refused != nullptr) {
    PrintText(console, kSkippedLine, ShownPath(step.path).c_str(), step.refused);
    ++totals->skipped;
    return true;
  }
  const CheckedGroup& group = context.checked.groups[step.group];
  const Member& copy = group.members[step.copy];
  context.action = step.action;
  const PairOutcome outcome = ActOnPair(context, group.members[step.kept], copy);
  if (outcome.journalFailed) {
    PrintFailure(kJournalFailedLine, JournalErrorText(context.journal.errorCode).c_str());
    return false;
  }
  PrintOutcome(console, step.action, context.report.paths.at(copy.path), outcome, totals);
  if (outcome.done && step.action == Action::kRemove) {
    totals->emptied.push_back(copy.folder);
  }
  return true;
}

}  // namespace

int ApplySteps(TextOutput& console, const TidyOptions& options,
               const std::vector<FileIdentity>& within, const HeldFolder* holding,
               const Report& report, const CheckedReport& checked,
               const std::vector<PlannedStep>& steps, long long sparesLeft) {
  Journal journal;
  const int errorCode = OpenJournal(&journal);
  JsonObject start;
  start.Text(kRunKey, kApplyCommand);
  if (options.planFile.empty()) {
    start.Text(kActionKey, ActionWord(options.action));
  } else {
    start.Path(kPlanKey, options.planFile);
  }
  if (!options.holding.empty()) {
    start.Path(kHoldingKey, options.holding);  // a later plan keeps no copy set aside in it
  }
  if (errorCode != 0 || !Record(journal, start)) {
    PrintFailure(kJournalFailedLine,
                 JournalErrorText(errorCode != 0 ? errorCode : journal.errorCode).c_str());
    return kExitTrouble;
  }
  ApplyContext context{report,  checked,         options.action, within,
                       holding, options.holding, journal,        0};
  Totals totals;
  totals.skipped = sparesLeft;
  // Where the lines of each file go to a terminal, they show the way themselves.
  Progress progress =
      StartProgress(kApplyProgressLine, static_cast<long long>(steps.size()), false);
  for (const PlannedStep& step : steps) {
    AdvanceProgress(&progress);
    if (!ApplyStep(console, context, step, &totals)) {
      EndProgress(&progress);
      return kExitTrouble;
    }
  }
  EndProgress(&progress);
  // Only after removals: undo puts a moved file back in its folder, which must still be there.
  RemoveEmptiedFolders(console, checked, totals.emptied, within);
  PrintUnresolved(console, report, checked, kApplyUnresolvedHeading);
  PrintText(console, kApplyTotalsLine, totals.done, totals.skipped, totals.freed);
  if (totals.done > 0) {
    PrintText(console, kReportOutOfDateLine, ShownPath(options.report).c_str());
  }
  // A saved plan's steps in unresolved groups were skipped above; the groups it does not name
  // were not asked for.
  const bool unchecked = options.planFile.empty() && checked.unresolved > 0;
  return totals.skipped > 0 || unchecked ? kExitNotAll : kExitDone;
}
