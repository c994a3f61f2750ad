#include "tidy/act/pair_action.h"

#include <chrono>

#include "content/compare_files.h"
#include "platform/entry_actions.h"
#include "platform/temporary_name.h"
#include "platform/text_output.h"
#include "tidy/act/step_hook.h"
#include "tidy/plan/keep_rules.h"
#include "tidy/plan/plan.h"
#include "tidy/plan/plan_output.h"
#include "tidy/report/failure_texts.h"
#include "tidy/tidy_texts.h"

namespace {

// Names beside the copy for the file that will take its place and for the copy set aside:
// hidden, short whatever the copy's name, and recognisable in a folder after a power cut.
constexpr int kNameAttempts = 100;

// One file of the pair, open, with the folder it is in held.
struct Side {
  HeldFolder folder;
  PathString name;
  ReadableFile file;
  bool opened = false;

  Side() = default;
  Side(const Side&) = delete;
  Side& operator=(const Side&) = delete;
  ~Side() {
    if (opened) {
      CloseFile(&file);
    }
  }
};

// The name is still the regular file `state` was taken of.
bool IsFile(const HeldFolder& folder, const PathString& name, const FileState& state) {
  const EntryStatus entry = StatEntry(folder, name);
  return entry.type == EntryType::kFile && OneFile(entry.state, state);
}

bool AsPlanned(const FileState& now, const FileState& planned) {
  return OneFile(now, planned) && now.size == planned.size && now.modified == planned.modified;
}

// The name is still the file compared and nothing wrote it since. A rename or a new hard link
// moves a file's change time, so once one was made only size, write time and identity can tell.
bool Unwritten(const HeldFolder& folder, const PathString& name, const FileState& compared) {
  const EntryStatus entry = StatEntry(folder, name);
  return entry.type == EntryType::kFile && AsPlanned(entry.state, compared);
}

bool Reopen(const ApplyContext& context, const Member& member, Side* side, const char* changed,
            std::string* why) {
  const FolderPlace& place = context.checked.folders[member.folder];
  int errorCode = 0;
  const HoldResult held = HoldFolder(place.text, &side->folder, &errorCode);
  if (held != HoldResult::kHeld) {
    *why = std::string(kFolderUnreachable) + ": " + HoldFailureText(held, errorCode);
    return false;
  }
  side->name = context.report.paths.at(member.path) + member.nameStart;
  side->opened = OpenEntry(side->folder, side->name, &side->file) == OpenResult::kOpened;
  if (!side->opened || !AsPlanned(side->file.state, member.state)) {
    *why = changed;
    return false;
  }
  return true;
}

// Every check right before the action; the comparison reads both files whole, afresh.
bool Ready(const ApplyContext& context, const Member& kept, const Member& copy, Side* keptSide,
           Side* copySide, std::string* why) {
  if (!Reopen(context, kept, keptSide, kKeptChanged, why) ||
      !Reopen(context, copy, copySide, kCopyChanged, why)) {
    return false;
  }
  if (!ChainUnderAny(copySide->folder.chain, context.within)) {
    *why = kOutsideWithin;
    return false;
  }
  if (OneFile(keptSide->file.state, copySide->file.state)) {
    *why = kSameFileAsKept;
    return false;
  }
  bool readError = false;
  if (!SameContent(keptSide->file, copySide->file, &readError)) {
    *why = readError ? kUnreadable : kDiffersFromKept;
    return false;
  }
  if (!OpenFileUnchanged(keptSide->file) ||
      !IsFile(keptSide->folder, keptSide->name, keptSide->file.state)) {
    *why = kKeptChanged;
    return false;
  }
  if (!OpenFileUnchanged(copySide->file) ||
      !IsFile(copySide->folder, copySide->name, copySide->file.state)) {
    *why = kCopyChanged;
    return false;
  }
  return true;
}

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

std::string ActionText(const ActionOutcome& outcome) {
  switch (outcome.result) {
    case ActionResult::kOtherVolume:
      return kAnotherFileSystem;
    case ActionResult::kUnsupported:
      return kCannotClone;
    case ActionResult::kExists:
      return kHoldingTaken;
    case ActionResult::kMissing:
    case ActionResult::kNotExpected:
      return kCopyChanged;
    default:
      return std::string(kSystemRefused) + ": " + ErrorText(outcome.errorCode);
  }
}

struct Steps {
  ApplyContext& context;
  Side& kept;
  Side& copy;
  PairOutcome outcome;
  JsonObject intent;
  PathString temporary;
  PathString aside;
  PathString copyFolderText;  ///< as the report spells it, up to the copy's name
  bool begun = false;
  bool keptLinked = false;  ///< a hard link of the kept file was made: its change time moved
};

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

// The intent on the disk before anything changes; false when it could not be written.
bool Begin(Steps& steps) {
  if (!Record(steps.context.journal, steps.intent)) {
    steps.outcome.journalFailed = true;
    return false;
  }
  steps.begun = true;
  StepBoundary();
  return true;
}

// A copy skipped before anything changed: its intent and outcome on one line.
void RecordSkip(Steps& steps) {
  JsonObject line = steps.intent;
  line.Text(kOutcomeKey, kSkippedValue).Text(kWhyKey, steps.outcome.why);
  if (!Record(steps.context.journal, line)) {
    steps.outcome.journalFailed = true;
  }
}

void Skip(Steps& steps, const std::string& why) {
  steps.outcome.done = false;
  steps.outcome.why = why;
}

void Done(Steps& steps) {
  SyncFolder(steps.copy.folder);
  steps.outcome.done = true;
  // The bytes go with the last name of the file: a copy with other names frees nothing.
  if (steps.copy.file.state.links == 1) {
    steps.outcome.freed = steps.copy.file.state.size;
  }
}

// The kept file is still the one compared, under its name, unwritten since.
bool KeptAsCompared(const Steps& steps) {
  return Unwritten(steps.kept.folder, steps.kept.name, steps.kept.file.state) &&
         (steps.keptLinked || OpenFileUnchanged(steps.kept.file));
}

// Right before a change: neither file was written or replaced since the comparison (the
// journal's sync lies between). False, with the copy skipped, when one was.
bool StillAsCompared(Steps& steps) {
  if (!KeptAsCompared(steps)) {
    Skip(steps, kKeptChanged);
    return false;
  }
  if (!OpenFileUnchanged(steps.copy.file) ||
      !IsFile(steps.copy.folder, steps.copy.name, steps.copy.file.state)) {
    Skip(steps, kCopyChanged);
    return false;
  }
  return true;
}

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

// The copy renamed aside first: whatever is then under the aside name is what gets removed, so
// a file put in the copy's place after the comparison is never the one removed.
void Remove(Steps& steps) {
  if (!StillAsCompared(steps)) {
    return;
  }
  const ActionOutcome aside =
      RenameWithoutReplacing(steps.copy.folder, steps.copy.name, steps.copy.folder, steps.aside);
  StepBoundary();
  if (aside.result != ActionResult::kDone) {
    return Skip(steps, ActionText(aside));
  }
  if (!Unwritten(steps.copy.folder, steps.aside, steps.copy.file.state)) {
    Restore(steps, steps.aside);
    return Skip(steps, kCopyChanged);
  }
  if (!KeptAsCompared(steps)) {
    Restore(steps, steps.aside);
    return Skip(steps, kKeptChanged);
  }
  const ActionOutcome removed = RemoveFile(steps.copy.folder, steps.aside, steps.copy.file.state);
  StepBoundary();
  if (removed.result != ActionResult::kDone) {
    Restore(steps, steps.aside);
    return Skip(steps, ActionText(removed));
  }
  Done(steps);
}

void Discard(Steps& steps, const FileState& made) {
  RemoveFile(steps.copy.folder, steps.temporary, made);
  StepBoundary();
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
  if (!KeptAsCompared(steps)) {
    RenameWithoutReplacing(steps.copy.folder, steps.copy.name, steps.copy.folder, steps.temporary);
    StepBoundary();
    Restore(steps, steps.aside);
    Discard(steps, made);
    return Skip(steps, kKeptChanged);
  }
  RemoveFile(steps.copy.folder, steps.aside, steps.copy.file.state);
  StepBoundary();
  Done(steps);
}

// The exchange undone: the copy back under its name, the new file discarded.
void SwapBack(Steps& steps, const FileState& made, const char* why) {
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
  if (!KeptAsCompared(steps)) {
    return SwapBack(steps, made, kKeptChanged);
  }
  RemoveFile(steps.copy.folder, steps.temporary, steps.copy.file.state);
  StepBoundary();
  Done(steps);
}

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

void Reflink(Steps& steps) {
  if (!StillAsCompared(steps)) {
    return;
  }
  const ActionOutcome cloned =
      MakeClone(steps.kept.file, steps.copy.file, steps.copy.folder, steps.temporary);
  StepBoundary();
  if (cloned.result != ActionResult::kDone) {
    return Skip(steps, ActionText(cloned));
  }
  const EntryStatus made = StatEntry(steps.copy.folder, steps.temporary);
  // A kept file written while it was cloned may have given the clone a mix of old and new.
  if (made.type != EntryType::kFile || !OpenFileUnchanged(steps.kept.file)) {
    Discard(steps, made.state);
    return Skip(steps, kKeptChanged);
  }
  Replace(steps, made.state);
}

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
      Skip(steps, std::string(kFolderUnreachable) + ": " + HoldFailureText(held, errorCode));
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
  if (!StillAsCompared(steps)) {
    return;
  }
  const ActionOutcome moved =
      RenameWithoutReplacing(steps.copy.folder, steps.copy.name, target, steps.copy.name);
  StepBoundary();
  if (moved.result != ActionResult::kDone) {
    return Skip(steps, ActionText(moved));
  }
  const bool copyUnwritten = Unwritten(target, steps.copy.name, steps.copy.file.state);
  if (!copyUnwritten || !KeptAsCompared(steps)) {
    RenameWithoutReplacing(target, steps.copy.name, steps.copy.folder, steps.copy.name);
    StepBoundary();
    return Skip(steps, copyUnwritten ? kKeptChanged : kCopyChanged);
  }
  SyncFolder(target);
  SyncFolder(steps.copy.folder);
  steps.outcome.done = true;
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
    steps.temporary = FreeName(copySide.folder, context.step, PathString());
    steps.aside = FreeName(copySide.folder, context.step, steps.temporary);
    steps.intent.Path(kTemporaryKey, steps.temporary).Path(kAsideKey, steps.aside);
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
