// Opening files for reading their content. Always binary: in text mode a CR LF copy and an LF
// copy of a text compared equal, and a Ctrl-Z byte ended a file early.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file_identity.h"
#include "platform/path_text.h"

/// What the system says of an open file, to tell later whether it is still the same file with
/// the same content: a write changes the write time, a replacement the identity.
struct FileState {
  std::int64_t size = 0;
  std::int64_t modified = 0;  ///< last write, in the system's own units
  std::int64_t changed = 0;   ///< last change of content or status
  FileIdentity identity;
  std::uint64_t links = 0;  ///< the directory entries (hard links) that name the file
  /// The bytes the file takes on the disk, as du counts them: less than its size when it is
  /// sparse. -1 where the system was not asked (dupscan's opens on Windows).
  std::int64_t allocated = -1;
  /// Of `allocated`, the bytes other files share too (blocks cloned or deduplicated, see
  /// SharedBytes): removing the file gives none of them back. 0 where not asked.
  std::int64_t shared = 0;
  /// Windows: the read-only attribute, which keeps the file from being written, removed or
  /// replaced; POSIX: false, since a file's own mode never keeps it from going (its folder's does).
  bool readOnly = false;
  /// POSIX: the owner's user number; Windows: 0, as its owner is asked only right before an action
  /// (see AccessOf).
  std::uint64_t owner = 0;
};

/// True when the two states are of one file and its content has not changed between them.
inline bool SameFileState(const FileState& left, const FileState& right) {
  return left.size == right.size && left.modified == right.modified &&
         left.changed == right.changed && left.identity == right.identity;
}

struct ReadableFile {
  std::intptr_t handle = -1;
  FileState state;  ///< the file when it was opened; its size may differ from the walk's
};

enum class OpenResult {
  kOpened,
  kFailed,        ///< missing, not a regular file, no permission, any other reason
  kNoDescriptor,  ///< the process may open no more files: closing one may let it succeed
};

/// Opens a regular file for reading. Never blocks and never reads what is not a regular file (a
/// FIFO, a device, a link put in a file's place): those fail like a missing file.
OpenResult OpenForReading(const PathChar* path, ReadableFile* file);

/// The state of the regular file `path` names, as OpenForReading would give it, without opening
/// it or following a final link. False when the path names no regular file or cannot be asked.
bool StateAtPath(const PathChar* path, FileState* state);

/// Reads up to `count` bytes at `offset`, retrying short reads that end before the size the file
/// had when opened. Fewer bytes only at the end of the file or on a read error, which also sets
/// `*readError` when it is given.
std::size_t ReadAt(const ReadableFile& file, std::int64_t offset, void* buffer, std::size_t count,
                   bool* readError = nullptr);

/// True while the open file is as it was opened (same size, write and change times) and, on POSIX,
/// `path` still names it, not a file put in its place.
bool FileUnchanged(const ReadableFile& file, const PathChar* path);

/// True when the system's cache holds every page of `length` bytes at `offset`, so that reading
/// them would not wait for the disk; false when it does not. Reads nothing. Where the system
/// cannot tell, true.
bool IsInCache(const ReadableFile& file, std::int64_t offset, std::int64_t length);

/// Tells the system the file will be read once from start to end.
void AdviseSequential(const ReadableFile& file);

/// Asks the system to start reading `length` bytes at `offset` into its cache and returns at once:
/// a later ReadAt of them then finds them there instead of waiting for the disk. Nothing is read
/// into the program, and nothing happens where the system has no such request.
void AdviseWillNeed(const ReadableFile& file, std::int64_t offset, std::int64_t length);

/// The bytes of the open file's blocks that other files share too (Btrfs, XFS and bcachefs, where
/// a reflink or a deduplication shares blocks), as the file system's extent map marks them.
/// `*canShare` says whether its file system shares blocks at all: where it does not, asking
/// another of its files is no use. 0, and false, where the system cannot tell (Windows).
std::int64_t SharedBytes(const ReadableFile& file, bool* canShare);

void CloseFile(ReadableFile* file);

/// Closes every file of `files`, as CloseFile would one by one, in fewer system calls where the
/// system closes a run of consecutive handles in one. Leaves `files` empty.
void CloseFiles(std::vector<ReadableFile>& files);

/// Which file the walk listed under `path`; not known where it cannot tell (a path it did not
/// list, a listing that gives no file identity: Windows).
using ListedFileLookup = FileIdentity (*)(const void* context, const PathChar* path);

/// From a call with a lookup until one with null (the default), every open for reading and
/// StateAtPath on POSIX refuse, as a missing file, a file other than the one listed under the
/// path: the path is text, and a folder on it swapped since the walk for a link or for another
/// folder leads elsewhere, where O_NOFOLLOW guards only the last name.
void SetListedFileLookup(ListedFileLookup lookup, const void* context);

/// Each platform's own part of SetListedFileLookup, told whether a lookup is set now: POSIX holds
/// the folder of the files it reads only while one is (see folder_hold_posix.h); Windows nothing.
void OnListedFileLookup(bool set);

/// Whether the file of `identity`, reached through `path`, may be read as the file listed there:
/// the lookup knows no file for the path, or names this one.
bool IsListedFile(const PathChar* path, const FileIdentity& identity);

/// `result` of an open of `path` into `file`, or kFailed, with the file closed, when it opened a
/// file that IsListedFile refuses.
OpenResult KeepIfListed(const PathChar* path, OpenResult result, ReadableFile* file);

/// Test seam: called with the path before every open, so a test can change the file between the
/// stages of a run. `context` is what the test set with the hook, handed back at every call, so
/// a fake keeps its state there. Null by default.
using BeforeOpenHook = void (*)(void* context, const PathChar* path);
void SetBeforeOpenHook(BeforeOpenHook hook, void* context);

/// Calls the hook, if a test set one; each platform's OpenForReading calls it first.
void RunBeforeOpenHook(const PathChar* path);
