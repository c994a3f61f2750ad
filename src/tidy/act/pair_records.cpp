// A pair's lines in the journal: its intent on the disk before anything changes, and its outcome
// after, so an interrupted apply can be understood and its moves undone.
#include "tidy/act/pair_steps.h"
#include "tidy/act/step_hook.h"

JsonObject IntentOf(ApplyContext& context, const char* word, const Member& kept,
                    const Member& copy) {
  JsonObject line;
  line.Number(kStepKey, context.step)
      .Text(kActionKey, word)
      .Path(kCopyKey, context.report.paths.copy(copy.path))
      .Path(kKeptKey, context.report.paths.copy(kept.path))
      .Number(kVolumeKey, static_cast<long long>(copy.state.identity.volume))
      .Number(kIndexKey, static_cast<long long>(copy.state.identity.index))
      .Number(kSizeKey, static_cast<long long>(copy.state.size));
  return line;
}

bool Begin(Steps& steps) {
  if (!Record(steps.context.journal, steps.intent)) {
    steps.outcome.journalFailed = true;
    return false;
  }
  steps.begun = true;
  StepBoundary();
  return true;
}

void RecordSkip(Steps& steps) {
  JsonObject line = steps.intent;
  line.Text(kOutcomeKey, kSkippedValue).Text(kWhyKey, steps.outcome.why);
  if (!Record(steps.context.journal, line)) {
    steps.outcome.journalFailed = true;
  }
}

void Finish(Steps& steps) {
  if (!steps.outcome.leftAs.empty()) {
    return;  // unfinished: undo finds the copy under the name it was left at
  }
  JsonObject line;
  line.Number(kStepKey, steps.context.step)
      .Text(kOutcomeKey, steps.outcome.done ? kDoneValue : kSkippedValue);
  if (!steps.outcome.done) {
    line.Text(kWhyKey, steps.outcome.why);
  }
  if (!Record(steps.context.journal, line)) {
    steps.outcome.journalFailed = true;
  }
  StepBoundary();
}
