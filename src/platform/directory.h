// Directory listings: what a walker may know of a folder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file_identity.h"
#include "platform/path_text.h"

/// What the listing reports about one entry. Entries that are neither (links, FIFOs, sockets,
/// devices) are delivered, as kOther, only to a listing that asks for them (ListOtherEntries):
/// opening one could hang or never end, and following a link could lead out of the tree or back
/// into it.
enum class EntryKind { kDirectory, kFile, kOther };

struct DirectoryEntry {
  const PathChar* name = nullptr;  ///< valid until the next call on the same listing
  std::size_t nameLength = 0;
  EntryKind kind = EntryKind::kFile;
  std::int64_t size = 0;  ///< bytes, for files
  /// For folders, when the listing can tell without entering them; for files when the listing
  /// tells (POSIX), so that a later open can be checked to reach this file and no other.
  FileIdentity identity;
  /// A file with more than one name (hard links), where the listing tells (POSIX).
  bool severalNames = false;
};

struct DirectoryListing;

/// Opens the listing of a search root, as the system takes it (see SystemRootPath), following a
/// link the user named. Returns nullptr, with the system's code in `errorCode`, when it cannot be
/// listed.
DirectoryListing* OpenRootListing(const PathString& root, int* errorCode);

/// Opens the listing of a folder met in a listing, never through a link: a folder that has been
/// replaced by a link, or by another folder, since its parent listed it as `listed` fails with the
/// system's code, as one that cannot be listed.
DirectoryListing* OpenFolderListing(const PathString& folder, const FileIdentity& listed,
                                    int* errorCode);

/// From now on the listing delivers the entries that are neither folders nor regular files too, as
/// kOther (their name only): a folder that holds one is more than its files and folders.
void ListOtherEntries(DirectoryListing* listing);

/// The identity of the folder a listing lists.
FileIdentity ListedFolderIdentity(const DirectoryListing* listing);

/// The file system's generation number of the folder a listing lists, asked once when it was
/// opened: a folder made later with the identity of one deleted gets another. 0 where the system
/// gives none; then the identity alone tells folders apart. Not part of the identity: it only
/// tells whether a folder was already listed, never whether the folder opened is the one listed.
std::uint64_t ListedFolderGeneration(const DirectoryListing* listing);

/// Fills `entry` with the next entry other than "." and "..". Returns false at the end, with
/// `errorCode` 0 for the normal end and the system's code for a failure that ended it early.
bool NextEntry(DirectoryListing* listing, DirectoryEntry* entry, int* errorCode);

void CloseListing(DirectoryListing* listing);

/// The identity of the working folder; not known when it cannot be asked for.
FileIdentity WorkingFolderIdentity();

/// Whether a listing's failure code says that the process may open no more files.
bool IsNoDescriptorCode(int errorCode);

/// The system's code for a folder that is its own ancestor: "too many levels of links".
int LoopErrorCode();

/// How a failure line names the listing of `folder`: the folder, a separator and "*".
PathString ListingName(const PathString& folder);

/// The path under which the system is asked for the root the user typed. POSIX: the root itself.
/// Windows: the full path of the folder that the root and a separator name, in the "\\?\" form
/// and without a trailing separator, so that a name appended to it reaches exactly the entry
/// listed: Win32 would drop a trailing dot or space and take "nul" or "aux.txt" for a device.
PathString SystemRootPath(const PathString& typed);

/// How the console and report begin the path of a file below the root the user typed; a
/// separator and the names follow. The root as typed, so one that ends in a separator shows
/// two; on Windows, where that would name another path than the one read, without its trailing
/// separators: "\" or "/" alone prints as "" ("\sub\r2", not "\\sub\r2", a network path), and a
/// "\\?\" root, where the system would take a doubled separator literally, as "\\?\C:\x".
PathString ShownRootPath(const PathString& typed);
