// A move: the copy renamed into the holding folder, under folders named for where it was, so
// undo can put it back.
#include <string>
#include <utility>
#include <vector>

#include "tidy/act/pair_steps.h"
#include "tidy/act/step_hook.h"
#include "tidy/plan/plan.h"
#include "tidy/report/failure_texts.h"
#include "tidy/tidy_texts.h"

namespace {

// The holding folder's subfolders for the copy, made as needed and held.
bool HoldTarget(Steps& steps, const Member& copy, HeldFolder* target, PathString* shown) {
  const std::vector<PathString> folders =
      HoldingFolders(steps.context.checked.folders[copy.folder], steps.context.within);
  HeldFolder current;
  current.chain = steps.context.holding->chain;
  int errorCode = 0;
  const HeldFolder* parent = steps.context.holding;
  for (const PathString& folder : folders) {
    HeldFolder below;
    const HoldResult held = HoldSubfolder(*parent, folder, true, &below, &errorCode);
    if (held != HoldResult::kHeld) {
      Skip(steps, FolderUnreachableText(held, errorCode));
      return false;
    }
    current = std::move(below);
    parent = &current;
  }
  if (folders.empty()) {
    HoldSubfolder(*steps.context.holding, PATH_TEXT("."), false, &current, &errorCode);
  }
  *target = std::move(current);
  *shown = JoinPath(steps.context.holdingText, folders, steps.copy.name);
  return true;
}

void Move(Steps& steps, HeldFolder& target) {
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

}  // namespace

void MoveWithChecks(Steps& steps, const Member& copy) {
  HeldFolder target;
  PathString shown;
  if (!HoldTarget(steps, copy, &target, &shown)) {
    return;
  }
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
