// The checks around each step of a pair's action (the file system at this moment is the truth,
// not the report), and how a step ends: done, or skipped with the reason.
#include <string>
#include <vector>

#include "content/compare_files.h"
#include "platform/directory.h"
#include "platform/file_access.h"
#include "tidy/act/pair_steps.h"
#include "tidy/act/step_hook.h"
#include "tidy/plan/plan.h"
#include "tidy/report/failure_texts.h"
#include "tidy/tidy_texts.h"

namespace {

// The name is still the regular file `state` was taken of.
bool IsFile(const HeldFolder& folder, const PathString& name, const FileState& state) {
  const EntryStatus entry = StatEntry(folder, name);
  return entry.type == EntryType::kFile && NamesOfOneFile(entry.state, state);
}

// `within`: the --within folders, for the copy; `unopenable`: why, when the file is there as
// planned but the system would not open it.
bool Reopen(const ApplyContext& context, const Member& member, Side* side,
            const std::vector<FileIdentity>* within, const char* changed, const char* unopenable,
            std::string* why) {
  const FolderPlace& place = context.checked.folders[member.folder];
  side->folderText = place.text;
  // The folders the check walked, each still where it was: the plan's --within is theirs.
  const std::vector<FileIdentity> chain = LinkChain(context.checked.links, place.link);
  // The kept file's folder need only stay itself; a copy's, under its first --within folder too
  // (when it has none, the check of --within below refuses it).
  side->below = within != nullptr ? LevelUnderAny(chain, *within) : chain.size() - 1;
  int errorCode = 0;
  bool moved = false;
  const HoldResult held =
      HoldListedFolderAgain(place.text, chain, side->below, &side->folder, &errorCode, &moved);
  if (held != HoldResult::kHeld || moved) {
    *why = moved ? kFolderMoved : FolderUnreachableText(held, errorCode);
    return false;
  }
  side->name = context.report.paths.at(member.path) + member.nameStart;
  const OpenResult opened = OpenEntry(side->folder, side->name, &side->file);
  side->opened = opened == OpenResult::kOpened;
  if (!side->opened) {
    const EntryStatus entry = StatEntry(side->folder, side->name);
    const bool there = entry.type == EntryType::kFile && AsPlanned(entry.state, member.state);
    *why = opened == OpenResult::kNoDescriptor ? kNoDescriptors : there ? unopenable : changed;
    return false;
  }
  if (!AsPlanned(side->file.state, member.state)) {
    *why = changed;
    return false;
  }
  bool canShare = false;
  side->file.state.shared = SharedBytes(side->file, &canShare);  // what the copy's removal frees
  return true;
}

// The folder is still where the report's path leads: on POSIX a held folder renamed elsewhere
// (out of --within) is still the one held, and an action through it would follow it there.
// Null when it is; else why not, or why it could not be told (no more files could be opened).
const char* NotInPlace(const Side& side) {
  HeldFolder again;
  int errorCode = 0;
  bool moved = false;
  if (HoldListedFolderAgain(side.folderText, side.folder.chain, side.below, &again, &errorCode,
                            &moved) != HoldResult::kHeld) {
    return IsNoDescriptorCode(errorCode) ? kNoDescriptors : kFolderMoved;
  }
  return moved ? kFolderMoved : nullptr;
}

// Why the copy may not give way to the kept file for who may read or write them, or null: the
// rule the plan foresaw (AccessRefusal), on the files and folders as they are now.
const char* WhyNotShared(Action action, const Side& kept, const Side& copy) {
  if (action == Action::kMove) {
    return nullptr;  // the copy itself stays whole, only elsewhere
  }
  FileAccess keptAccess;
  FileAccess copyAccess;
  if (!AccessOf(kept.file, &keptAccess) || !AccessOf(copy.file, &copyAccess)) {
    return kUnreachable;
  }
  FileAccess keptFolder;
  FileAccess copyFolder;
  const bool folders = action != Action::kRemove || (FolderAccessOf(kept.folder, &keptFolder) &&
                                                     FolderAccessOf(copy.folder, &copyFolder));
  return AccessRefusal(action, keptAccess, copyAccess, folders ? &keptFolder : nullptr,
                       folders ? &copyFolder : nullptr);
}

// A write through a shared mapping moves no time: for what a removal or a link ends, a read lease
// on each file, taken before the comparison and whole until the change, says no program can
// have written since (a reflink's sharing compares the bytes itself; a move keeps the copy whole).
bool Leased(Action action, Side* side, std::string* why) {
  if (action != Action::kRemove && action != Action::kLink) {
    return true;
  }
  switch (TakeReadLease(side->file)) {
    case LeaseResult::kHeld:
      side->leased = true;
      return true;
    case LeaseResult::kWriters:
      *why = kOpenForWriting;
      return false;
    case LeaseResult::kNotOwn:
      *why = kWritersUnknown;
      return false;
    default:
      return true;  // no leases here: the times are all there is, as the manual says
  }
}

bool NoWriterSince(const Side& side) { return !side.leased || LeaseUnbroken(side.file); }

}  // namespace

bool AsPlanned(const FileState& now, const FileState& planned) {
  return NamesOfOneFile(now, planned) && now.size == planned.size &&
         now.modified == planned.modified;
}

// A rename or a new hard link moves a file's change time, so once one was made only size, write
// time and identity can tell.
bool Unwritten(const HeldFolder& folder, const PathString& name, const FileState& compared) {
  const EntryStatus entry = StatEntry(folder, name);
  return entry.type == EntryType::kFile && AsPlanned(entry.state, compared);
}

// The comparison reads both files whole, afresh.
bool Ready(const ApplyContext& context, const Member& kept, const Member& copy, Side* keptSide,
           Side* copySide, std::string* why) {
  if (!Reopen(context, kept, keptSide, nullptr, kKeptChanged, kKeptUnopenable, why) ||
      !Reopen(context, copy, copySide, &context.within, kCopyChanged, kCopyUnopenable, why)) {
    return false;
  }
  if (!ChainUnderAny(copySide->folder.chain, context.within)) {
    *why = kOutsideWithin;
    return false;
  }
  // Windows keeps a read-only file from going: once a link had taken its name, the copy would
  // stay set aside. A move keeps the file whole, attribute and all.
  if (copySide->file.state.readOnly && context.action != Action::kMove) {
    *why = kReadOnlyCopy;
    return false;
  }
  if (NamesOfOneFile(keptSide->file.state, copySide->file.state)) {
    *why = kSameFileAsKept;
    return false;
  }
  if (const char* notShared = WhyNotShared(context.action, *keptSide, *copySide)) {
    *why = notShared;
    return false;
  }
  if (!Leased(context.action, keptSide, why) || !Leased(context.action, copySide, why)) {
    return false;
  }
  // dupscan's rule before a read it trusts: on a file system of whole seconds a write in the
  // second of a file's last write moves no time, and would go unseen by the looks after the read.
  // A pair still that fresh after the run's one wait is left for a later run.
  if (!WaitUntilWritesShow(RunWriteWait(), keptSide->file.state, copySide->file.state)) {
    *why = kWrittenJustNow;
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

bool KeptAsCompared(const Steps& steps) {
  return Unwritten(steps.kept.folder, steps.kept.name, steps.kept.file.state) &&
         (steps.keptLinked || OpenFileUnchanged(steps.kept.file));
}

// Right before a change: the journal's sync lies between the comparison and this.
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
  if (const char* why = NotInPlace(steps.copy)) {
    Skip(steps, why);
    return false;
  }
  if (!NoWriterSince(steps.kept) || !NoWriterSince(steps.copy)) {
    Skip(steps, kOpenForWriting);
    return false;
  }
  return true;
}

const char* WhyNotFinish(const Steps& steps) {
  if (!KeptAsCompared(steps)) {
    return kKeptChanged;
  }
  // Once a link was made and names were swapped, the change times of both files have moved by
  // our own hand: a write that puts the write time back shows only in the bytes, read again.
  bool readError = false;
  if (steps.keptLinked && !SameContent(steps.kept.file, steps.copy.file, &readError)) {
    return readError ? kUnreadable : kKeptChanged;
  }
  if (!NoWriterSince(steps.kept) || !NoWriterSince(steps.copy)) {
    return kOpenForWriting;
  }
  return NotInPlace(steps.copy);
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
    steps.outcome.freed = DiskBytes(steps.copy.file.state);
  }
}

bool ChangeMade(Steps& steps, const ActionOutcome& outcome) {
  StepBoundary();
  if (outcome.result != ActionResult::kDone) {
    Skip(steps, ActionText(outcome));
    return false;
  }
  return true;
}

std::string ActionText(const ActionOutcome& outcome) {
  switch (outcome.result) {
    case ActionResult::kOtherVolume:
      return kAnotherFileSystem;
    case ActionResult::kExists:
      return kHoldingTaken;
    case ActionResult::kMissing:
    case ActionResult::kNotExpected:
      return kCopyChanged;
    default:
      return SystemRefusedText(outcome.errorCode);
  }
}
