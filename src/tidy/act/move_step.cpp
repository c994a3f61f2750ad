// A move: the copy renamed into the holding folder, under folders named for where it was, so
// undo can put it back.
#include <string>
#include <utility>
#include <vector>

#include "platform/file_access.h"
#include "tidy/act/pair_steps.h"
#include "tidy/act/step_hook.h"
#include "tidy/plan/plan.h"
#include "tidy/report/failure_texts.h"
#include "tidy/tidy_texts.h"

namespace {

// The holding folder's subfolders for the copy, each held, and whether this step made it.
struct Target {
  std::vector<PathString> names;
  std::vector<HeldFolder> folders;
  std::vector<bool> made;
};

// The folder the copy goes into: the deepest subfolder, or the holding folder itself.
const HeldFolder& Into(const Steps& steps, const Target& target) {
  return target.folders.empty() ? *steps.context.holding : target.folders.back();
}

// The subfolders made as needed and held, each in the one before.
bool HoldTarget(Steps& steps, const Member& copy, Target* target, PathString* shown) {
  target->names = HoldingFolders(steps.context.checked, steps.context.checked.folders[copy.folder],
                                 steps.context.within);
  target->folders.reserve(target->names.size());  // each is the next one's parent: never moved
  for (const PathString& name : target->names) {
    HeldFolder below;
    bool made = false;
    int errorCode = 0;
    const HoldResult held =
        HoldSubfolder(Into(steps, *target), name, true, &below, &errorCode, &made);
    target->made.push_back(made);
    target->folders.push_back(std::move(below));
    if (held != HoldResult::kHeld) {
      Skip(steps, held == HoldResult::kNotFolder ? std::string(kHoldingFolderIsFile)
                                                 : FolderUnreachableText(held, errorCode));
      return false;
    }
    // One made beforehand by another user, or open to others, would let them take the copy.
    if (!OnlyOwnerMayChange(target->folders.back())) {
      Skip(steps, kHoldingFolderNotOwn);
      return false;
    }
    // The folders above are held by the levels above (and the holding folder): each level holds
    // its own alone, or a chain 2,000 deep would cost two million copies of identities a move.
    ReleaseAncestors(&target->folders.back());
  }
  *shown = JoinPath(steps.context.holdingText, target->names, steps.copy.name);
  return true;
}

// A move not made leaves no folder behind that it made: the deepest first, each let go before it
// goes (Windows removes no folder held open), and only while empty.
void TakeBackFolders(const Steps& steps, Target* target) {
  for (std::size_t level = target->folders.size(); level > 0; --level) {
    target->folders.pop_back();
    if (target->made[level - 1]) {
      RemoveEmptyFolder(Into(steps, *target), target->names[level - 1]);
    }
  }
}

void Move(Steps& steps, const HeldFolder& target) {
  if (!StillAsCompared(steps) ||
      !ChangeMade(steps, RenameWithoutReplacing(steps.copy.folder, steps.copy.name, target,
                                                steps.copy.name))) {
    return;
  }
  const char* why = Unwritten(target, steps.copy.name, steps.copy.file.state) ? WhyNotFinish(steps)
                                                                              : kCopyChanged;
  if (why != nullptr) {
    RenameWithoutReplacing(target, steps.copy.name, steps.copy.folder, steps.copy.name);
    StepBoundary();
    return Skip(steps, why);
  }
  SyncFolder(target);
  SyncFolder(steps.copy.folder);
  steps.outcome.done = true;
}

void MoveInto(Steps& steps, const HeldFolder& target, const PathString& shown) {
  // A rename across file systems fails; a move never falls back to copying the bytes.
  if (target.chain.back().volume != steps.copy.file.state.identity.volume) {
    return Skip(steps, kAnotherFileSystem);
  }
  steps.intent.Path(kToKey, shown);
  if (!Begin(steps)) {
    return;
  }
  steps.outcome.movedTo = shown;
  Move(steps, target);
  Finish(steps);
}

}  // namespace

void MoveWithChecks(Steps& steps, const Member& copy) {
  Target target;
  PathString shown;
  if (HoldTarget(steps, copy, &target, &shown)) {
    MoveInto(steps, Into(steps, target), shown);
  }
  if (!steps.outcome.done) {
    TakeBackFolders(steps, &target);
  }
}
