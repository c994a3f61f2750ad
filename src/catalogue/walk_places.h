// Where the walk found each file: the roots as the user typed them and as the system takes them,
// and every folder it listed, so that a file reached under two spellings is known as one file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "catalogue/file_record.h"
#include "platform/directory.h"
#include "platform/path_text.h"

struct SearchRoot {
  PathString shown;   ///< as typed, after %NAME% expansion: what the console and report print
                      ///< before the names (see ShownRootPath)
  PathString system;  ///< as the system takes it: every path found below the root begins so
};

struct ListedFolder {
  FileIdentity identity;
  std::uint32_t root = 0;  ///< the root whose walk listed it
  /// Tells apart two folders that had one identity in turn (see ListedFolderGeneration).
  std::uint64_t generation = 0;
};

struct WalkPlaces {
  /// The working folder, where the report is written: its report is no file of the search.
  FileIdentity workingFolder;
  std::vector<SearchRoot> roots;
  std::vector<ListedFolder> folders;
  /// Some folder was listed twice (the same root given twice, one root inside another, a bind
  /// mount): its files were recorded twice, and grouping must tell such twins from copies. Set
  /// by NoteRepeatedFolders once the walk is over.
  bool foldersRepeat = false;
};

/// One directory entry: the folder that listed it and its name as listed. Two records of one
/// entry are one file reached twice, whatever the spelling of their paths.
struct EntryKey {
  FileIdentity folder;
  std::uint64_t generation;
  std::basic_string_view<PathChar> name;
};
inline bool operator==(const EntryKey& left, const EntryKey& right) {
  return SameFile(left.folder, right.folder) && left.generation == right.generation &&
         left.name == right.name;
}
struct EntryKeyHash {
  std::size_t operator()(const EntryKey& key) const {
    return FileIdentityHash()(key.folder) ^ std::hash<std::basic_string_view<PathChar>>()(key.name);
  }
};

/// Adds a root as the user typed it; returns its number.
std::uint32_t AddSearchRoot(WalkPlaces& places, const PathString& typed);

/// Adds a folder that `root`'s walk listed; returns its number.
std::uint32_t AddListedFolder(WalkPlaces& places, const ListedFolder& folder);

/// Sets `foldersRepeat` when two listed folders are one.
void NoteRepeatedFolders(WalkPlaces& places);

/// `path`, found below `root`, as the console and report print it: the root as typed, then the
/// names.
PathString ShownPath(const SearchRoot& root, const PathString& path);
PathString ShownPath(const WalkPlaces& places, const FileRecord& record);

/// The directory entry a record was found as.
EntryKey EntryOf(const WalkPlaces& places, const FileRecord& record);
