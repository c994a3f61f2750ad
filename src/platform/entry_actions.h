// The changes dupscan-tidy makes to folders: each one step the system takes whole, on entries of
// held folders. dupscan itself never links this.
#pragma once

#include "platform/file_identity.h"
#include "platform/held_folder.h"
#include "platform/path_text.h"
#include "platform/readable_file.h"

enum class ActionResult {
  kDone,
  kExists,       ///< the new name is taken: nothing was replaced
  kMissing,      ///< the entry acted on is gone
  kNotExpected,  ///< the entry is not the file expected: left as it is
  kOtherVolume,  ///< the two places are on different file systems: nothing is copied across
  kUnsupported,  ///< the file system (or the system) cannot do this
  kFailed,       ///< refused for another reason; the code says which
};

struct ActionOutcome {
  ActionResult result = ActionResult::kFailed;
  int errorCode = 0;
};

/// Renames `name` in `from` to `newName` in `to`, never replacing what has that name already.
ActionOutcome RenameWithoutReplacing(const HeldFolder& from, const PathString& name,
                                     const HeldFolder& to, const PathString& newName);

/// Swaps the entries `first` and `second` of `folder` in one step, so neither name is ever
/// missing. kUnsupported where the system or the file system cannot.
ActionOutcome ExchangeEntries(const HeldFolder& folder, const PathString& first,
                              const PathString& second);

/// Removes `name` from `folder` only while it is the regular file `expected`.
ActionOutcome RemoveFile(const HeldFolder& folder, const PathString& name,
                         const FileState& expected);

/// Removes the folder `name` from `parent` while it is empty (and not held open on Windows).
ActionOutcome RemoveEmptyFolder(const HeldFolder& parent, const PathString& name);

/// Makes `newName` in `to` a hard link of `name` in `from`; never replaces an existing entry.
ActionOutcome MakeHardLink(const HeldFolder& from, const PathString& name, const HeldFolder& to,
                           const PathString& newName);

/// Makes the file `name` in `folder`, which must be the open `target`, share the blocks of the
/// open `source`, in place: the file keeps its identity, its other names, owner, permissions,
/// access list, other attributes and times, as only its blocks change. The system compares the
/// bytes under its own lock and shares only what is equal, so a write meanwhile is never lost:
/// kNotExpected when they differ (or `name` is another file now). Bytes shared before a stop are
/// equal bytes. On the disk before it returns; kUnsupported where the file system cannot share.
ActionOutcome ShareBlocks(const ReadableFile& source, const HeldFolder& folder,
                          const PathString& name, const ReadableFile& target);

/// Puts the folder's changes (new, renamed and removed names) on the disk.
void SyncFolder(const HeldFolder& folder);
