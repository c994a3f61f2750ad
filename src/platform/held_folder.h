// Folders reached through a whole path without following a link, and the entries in them: what
// dupscan-tidy looks at before it acts. dupscan itself never links this.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/file_identity.h"
#include "platform/path_text.h"
#include "platform/readable_file.h"

/// A folder opened through every folder of its path, none of them a link. POSIX keeps the
/// folder's descriptor, so entries are reached from it and a folder renamed meanwhile is still
/// this one; Windows keeps a handle on every folder of the path, shared for reading and writing
/// but not for deletion, so none of them can be renamed or replaced while it is held.
struct HeldFolder {
  std::intptr_t handle = -1;
  std::vector<std::intptr_t> ancestors;  ///< Windows: the folders above, held
  /// Every folder from the top of the volume (or of the working folder's path, for a relative
  /// path) down to this one, this one last: "under DIR" is DIR's identity among them.
  std::vector<FileIdentity> chain;
  /// The name each folder of the chain was entered by; empty for the top and for the folders
  /// above the working folder.
  std::vector<PathString> names;
  PathString systemPath;  ///< Windows: the folder's full "\\?\" path; POSIX: empty
  /// Windows: the name the system keeps for the held folder (see HandleName); POSIX: empty.
  PathString systemName;

  HeldFolder() = default;
  HeldFolder(const HeldFolder&) = delete;
  HeldFolder& operator=(const HeldFolder&) = delete;
  HeldFolder(HeldFolder&& other) noexcept;
  HeldFolder& operator=(HeldFolder&& other) noexcept;
  ~HeldFolder();
};

enum class HoldResult {
  kHeld,
  kThroughLink,  ///< a folder of the path is a symbolic link (or on Windows a reparse point)
  kNotFolder,    ///< a name of the path is not a folder
  kMissing,      ///< a name of the path does not exist
  kFailed,       ///< any other refusal; the system's code says which
};

/// Holds `folder` (empty: the working folder). ".." steps up to the folder above the one reached
/// so far, never through a link. Returns kHeld, or why not with the system's code.
HoldResult HoldFolder(const PathString& folder, HeldFolder* held, int* errorCode);

/// HoldFolder for a folder of a path that dupscan printed, whose names are the names its walk
/// listed: Windows takes each one exactly as written (a folder "sub." or "con" is that folder,
/// where a typed path would be read as "sub" or the console); POSIX takes every path so.
HoldResult HoldListedFolder(const PathString& folder, HeldFolder* held, int* errorCode);

/// HoldListedFolder for a folder about to be acted on. On POSIX the folders above the working
/// folder, which a relative path's chain begins with, are found again, not taken as they were
/// when the program first asked: the working folder may have been moved since, out of a --within
/// folder. Windows walks every path from its volume's root each time.
HoldResult HoldListedFolderAfresh(const PathString& folder, HeldFolder* held, int* errorCode);

/// Holds the folder `name` in `parent`, making it first when `create` and it does not exist (on
/// POSIX open to this user alone, 0700); `made`, when given, says whether this call made it.
HoldResult HoldSubfolder(const HeldFolder& parent, const PathString& name, bool create,
                         HeldFolder* held, int* errorCode, bool* made = nullptr);

/// Lets `held`, a held folder, go of the folders above it: its chain and names keep only itself,
/// and on Windows the handles on the folders above are closed. For a walk down a tree that keeps
/// every folder of its way held in a HeldFolder of its own and lets go of the deepest first: those
/// hold the folders above, and each folder held costs one handle, not one for each folder above it.
void ReleaseAncestors(HeldFolder* held);

/// Splits a path into the folder that holds its last name and that name: "a/b/c" into "a/b"
/// and "c", "c" into "" (the working folder) and "c", "/c" into "/" and "c". The name is empty
/// when the path ends in a separator.
void SplitPath(const PathString& path, PathString* folder, PathString* name);

/// True when two names in one folder name one entry: the same bytes on POSIX, the same letters
/// in any case on Windows.
bool SameEntryName(const PathString& left, const PathString& right);

/// True when two characters of a name match as the system matches names (see SameEntryName).
bool SameNameCharacter(PathChar left, PathChar right);

/// What an entry is, never following it when it is a link.
enum class EntryType { kFile, kFolder, kLink, kOther, kMissing, kFailed };

struct EntryStatus {
  EntryType type = EntryType::kFailed;
  FileState state;  ///< for kFile
  int errorCode = 0;
};

/// The entry `name` in `folder`, as it is now.
EntryStatus StatEntry(const HeldFolder& folder, const PathString& name);

/// Opens the regular file `name` in `folder` for reading, never through a link, never a FIFO or
/// a device (those fail like a missing file). On Windows the file cannot be written by anyone
/// while it is open, so its bytes stay the bytes compared.
OpenResult OpenEntry(const HeldFolder& folder, const PathString& name, ReadableFile* file);

/// True while the open file is as it was opened: same size, write and change times.
bool OpenFileUnchanged(const ReadableFile& file);
