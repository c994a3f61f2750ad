// Who may read or change a file: its owner, its group, its permissions and its access list. Two
// files become one (a link) only when this is the same for both, and a user's bytes are never
// left only in a file another user owns.
#pragma once

#include <cstdint>
#include <string>

#include "platform/held_folder.h"
#include "platform/readable_file.h"

struct FileAccess {
  bool known = false;       ///< false where the system was not asked: nothing to compare
  std::uint64_t owner = 0;  ///< POSIX: the user's number; Windows: a digest of the owner's SID
  std::uint64_t group = 0;  ///< Windows: 0, as a file's primary group grants nothing there
  /// POSIX: the permission bits, set-user and sticky bits included; Windows: the read-only
  /// attribute
  std::uint32_t mode = 0;
  /// POSIX: the access list beyond the mode, as the system keeps it, empty for none; Windows: the
  /// access list's entries, in order
  std::string accessList;
  /// A file's other extended attributes (file capabilities, labels, users' own), names and values
  std::string attributes;
  bool folder = false;  ///< a folder's sticky bit keeps others' names from those who may write
};

/// Who may read or change the open `file`. False when the system would not say.
bool AccessOf(const ReadableFile& file, FileAccess* access);

/// How much EntryAccessOf asks of a file: as much as what is judged of it needs.
enum class AccessDetail {
  kNone,
  kWriters,  ///< who may write it: owner, group, permissions, and the access list where it counts
  kAll,      ///< that, the access list always, and every other extended attribute
};

/// Who may read or change the regular file `name` in `folder`, never through a link, without
/// opening it to read: what the check of a report asks, for the plan to foresee what apply will
/// refuse (apply asks again of the files it opens). False when not asked, not a regular file, or
/// the system would not say.
bool EntryAccessOf(const HeldFolder& folder, const PathString& name, AccessDetail detail,
                   FileAccess* access);

/// Who may change the folder `folder` held: its owner, group, permissions and access list.
bool FolderAccessOf(const HeldFolder& folder, FileAccess* access);

/// Whether a user who may not write what `than` describes may write what `access` does (both
/// files, or both folders, where a file's name may be replaced): an owner that is neither
/// `than`'s, the administrator nor `owner` (the files' own), or write for others or the group
/// class beyond `than`'s; POSIX: write for a group of the owner's alone, with no access list,
/// reaches no one else (see private_group_posix.h); Windows: a user or group, neither the owner
/// nor the administration, that the access list lets change it and `than`'s does not. False when
/// either is not known.
bool MoreMayWrite(const FileAccess& access, const FileAccess& than, std::uint64_t owner);

/// Whether the two files carry the same extended attributes (true when either is not known): a
/// link would give the copy's name the kept file's, file capabilities among them.
inline bool SameAttributes(const FileAccess& left, const FileAccess& right) {
  return !left.known || !right.known || left.attributes == right.attributes;
}

/// Whether the two files belong to one owner (true when either is not known).
inline bool SameOwner(const FileAccess& left, const FileAccess& right) {
  return !left.known || !right.known || left.owner == right.owner;
}

/// Whether the same users may read and write both (true when either is not known).
inline bool SameAccess(const FileAccess& left, const FileAccess& right) {
  return !left.known || !right.known ||
         (left.owner == right.owner && left.group == right.group && left.mode == right.mode &&
          left.accessList == right.accessList);
}

/// Whether `folder` is this user's (or the administrator's) and no other user may write it (POSIX:
/// no write for others, nor for the group, which with an access list is its mask, unless the group
/// is the owner's alone and there is no access list; Windows: no entry of its access list lets a
/// user but its owner, this user, the system or the Administrators add, remove or rename its
/// entries). A folder another user made or may change is one they could take what is put into it
/// from.
bool OnlyOwnerMayChange(const HeldFolder& folder);

enum class LeaseResult {
  kHeld,
  kWriters,      ///< a program has the file open for writing, or mapped so it can write it
  kNotOwn,       ///< only the file's owner (or the administrator) may take one
  kUnsupported,  ///< not on this system or file system: nothing is held
};

/// Linux: a read lease on the open `file`, which no program can take while another has the file
/// open for writing (a writable shared mapping among them): a write through a mapping moves no
/// time, so only this tells. A program that then opens the file to write breaks the lease (and
/// waits until it is let go, when the file is closed); see LeaseUnbroken. Elsewhere kUnsupported:
/// Windows keeps files it compares from being written while they are open.
LeaseResult TakeReadLease(const ReadableFile& file);

/// Whether the lease TakeReadLease took on `file` is still whole: no program has opened the file
/// to write it since.
bool LeaseUnbroken(const ReadableFile& file);
