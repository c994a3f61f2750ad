// The steps that put the kept file's bytes in the copy's place, or take the copy away: each one
// a change the system makes whole, each checked right before, and undone when a check fails.
#include <string>

#include "platform/text_output.h"
#include "tidy/act/pair_steps.h"
#include "tidy/act/step_hook.h"
#include "tidy/tidy_texts.h"

namespace {

// A copy that cannot get its name back (another file took it meanwhile) is never removed: the
// output names where it is, and its step stays unfinished in the journal.
void LeftUnder(Steps& steps, const PathString& name) {
  steps.outcome.leftAs = steps.copyFolderText + name;
}

void Restore(Steps& steps, const PathString& from) {
  const ActionOutcome back =
      RenameWithoutReplacing(steps.copy.folder, from, steps.copy.folder, steps.copy.name);
  StepBoundary();
  if (back.result != ActionResult::kDone) {
    LeftUnder(steps, from);
  }
}

}  // namespace

// The copy renamed aside first: whatever is then under the aside name is what gets removed, so
// a file put in the copy's place after the comparison is never the one removed.
void Remove(Steps& steps) {
  if (!StillAsCompared(steps) ||
      !ChangeMade(steps, RenameWithoutReplacing(steps.copy.folder, steps.copy.name,
                                                steps.copy.folder, steps.aside))) {
    return;
  }
  if (!Unwritten(steps.copy.folder, steps.aside, steps.copy.file.state)) {
    Restore(steps, steps.aside);
    return Skip(steps, kCopyChanged);
  }
  if (const char* why = WhyNotFinish(steps)) {
    Restore(steps, steps.aside);
    return Skip(steps, why);
  }
  const ActionOutcome removed = RemoveFile(steps.copy.folder, steps.aside, steps.copy.file.state);
  StepBoundary();
  if (removed.result != ActionResult::kDone) {
    Restore(steps, steps.aside);
    return Skip(steps, ActionText(removed));
  }
  Done(steps);
}

namespace {

void Discard(Steps& steps, const FileState& made) {
  RemoveFile(steps.copy.folder, steps.temporary, made);
  StepBoundary();
}

// After the new file took the copy's name: the name given back to the copy, the new file
// discarded.
void PutBack(Steps& steps, const FileState& made, const std::string& why) {
  RenameWithoutReplacing(steps.copy.folder, steps.copy.name, steps.copy.folder, steps.temporary);
  StepBoundary();
  Restore(steps, steps.aside);
  Discard(steps, made);
  Skip(steps, why);
}

// Where the system cannot swap two names: the copy goes aside, the new file takes its name, and
// only then is the copy removed. The copy's name is missing between the two renames.
void ReplaceByRenames(Steps& steps, const FileState& made) {
  const ActionOutcome aside =
      RenameWithoutReplacing(steps.copy.folder, steps.copy.name, steps.copy.folder, steps.aside);
  StepBoundary();
  if (aside.result != ActionResult::kDone) {
    Discard(steps, made);
    return Skip(steps, ActionText(aside));
  }
  const bool copyUnwritten = Unwritten(steps.copy.folder, steps.aside, steps.copy.file.state);
  if (!copyUnwritten || !KeptAsCompared(steps)) {
    Restore(steps, steps.aside);
    Discard(steps, made);
    return Skip(steps, copyUnwritten ? kKeptChanged : kCopyChanged);
  }
  const ActionOutcome placed = RenameWithoutReplacing(steps.copy.folder, steps.temporary,
                                                      steps.copy.folder, steps.copy.name);
  StepBoundary();
  if (placed.result != ActionResult::kDone) {
    Restore(steps, steps.aside);
    Discard(steps, made);
    return Skip(steps, ActionText(placed));
  }
  if (const char* why = WhyNotFinish(steps)) {
    return PutBack(steps, made, why);
  }
  // A copy the system will not remove (open elsewhere, read-only) is never left aside, hidden
  // from undo, with its replacement said to be done.
  const ActionOutcome removed = RemoveFile(steps.copy.folder, steps.aside, steps.copy.file.state);
  StepBoundary();
  if (removed.result != ActionResult::kDone) {
    return PutBack(steps, made, ActionText(removed));
  }
  Done(steps);
}

// The exchange undone: the copy back under its name, the new file discarded.
void SwapBack(Steps& steps, const FileState& made, const std::string& why) {
  const ActionOutcome back = ExchangeEntries(steps.copy.folder, steps.temporary, steps.copy.name);
  StepBoundary();
  if (back.result != ActionResult::kDone) {
    LeftUnder(steps, steps.temporary);
  }
  Discard(steps, made);
  Skip(steps, why);
}

// The new file (`made`, under the temporary name) swaps names with the copy in one step, so the
// copy's name always names one of the two; then the copy, now under the temporary name, goes.
// Both files are checked right before the swap and again before the copy goes: a kept file
// written meanwhile may hold the only bytes the copy still has.
void Replace(Steps& steps, const FileState& made) {
  if (!StillAsCompared(steps)) {
    return Discard(steps, made);
  }
  const ActionOutcome swapped =
      ExchangeEntries(steps.copy.folder, steps.temporary, steps.copy.name);
  if (swapped.result == ActionResult::kUnsupported) {
    return ReplaceByRenames(steps, made);
  }
  StepBoundary();
  if (swapped.result != ActionResult::kDone) {
    Discard(steps, made);
    return Skip(steps, ActionText(swapped));
  }
  if (!Unwritten(steps.copy.folder, steps.temporary, steps.copy.file.state)) {
    return SwapBack(steps, made, kCopyChanged);
  }
  if (const char* why = WhyNotFinish(steps)) {
    return SwapBack(steps, made, why);
  }
  const ActionOutcome removed =
      RemoveFile(steps.copy.folder, steps.temporary, steps.copy.file.state);
  StepBoundary();
  if (removed.result != ActionResult::kDone) {
    return SwapBack(steps, made, ActionText(removed));
  }
  Done(steps);
}

}  // namespace

void Link(Steps& steps) {
  if (!StillAsCompared(steps)) {
    return;
  }
  const ActionOutcome linked =
      MakeHardLink(steps.kept.folder, steps.kept.name, steps.copy.folder, steps.temporary);
  StepBoundary();
  if (linked.result == ActionResult::kMissing) {
    return Skip(steps, kKeptChanged);
  }
  if (linked.result != ActionResult::kDone) {
    return Skip(steps, ActionText(linked));
  }
  steps.keptLinked = true;
  // linkat goes by name: the new name must be the kept file that was compared, unwritten.
  const EntryStatus made = StatEntry(steps.copy.folder, steps.temporary);
  if (made.type != EntryType::kFile || !AsPlanned(made.state, steps.kept.file.state)) {
    Discard(steps, made.state);
    return Skip(steps, kKeptChanged);
  }
  Replace(steps, made.state);
}

// The copy's own file takes the kept file's blocks: its name, identity, other names, owner,
// permissions, access list and times all stay, and nothing is put in its place. The system shares
// only bytes it finds equal under its own lock, so a write meanwhile is never lost, and a stop
// half way leaves equal bytes.
void Reflink(Steps& steps) {
  if (!StillAsCompared(steps)) {
    return;
  }
  const ActionOutcome shared =
      ShareBlocks(steps.kept.file, steps.copy.folder, steps.copy.name, steps.copy.file);
  if (shared.result == ActionResult::kUnsupported) {
    StepBoundary();
    return Skip(steps, kCannotClone);  // only here does "cannot" mean blocks cannot be shared
  }
  if (ChangeMade(steps, shared)) {
    Done(steps);
  }
}
