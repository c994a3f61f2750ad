// Whether two folders are copies of each other, and of how much: the same names all the way down,
// and every file of one name in one verified group with its namesake (or both empty).
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "platform/file_identity.h"
#include "tidy/plan/folder_listing.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"
#include "tidy/report/report_reader.h"

using FolderPairKey = std::pair<FileIdentity, FileIdentity>;

struct FolderMatch {
  bool copies = false;
  long long files = 0;
  long long keptFirst = 0;  ///< kept files in the first folder of the pair
  long long keptSecond = 0;
};

/// A verified file, by its name in its folder.
struct FileRef {
  PathString name;
  std::size_t plan = 0;
  std::size_t member = 0;
};

/// One pair of folders decided: its totals over everything below, and only what lies directly
/// in it, with links to the pairs of its subfolders. A pair's totals were once its subfolders'
/// whole lists of files added up level by level: a 4,000-deep copied tree held 490 MB of them.
struct PairEntry {
  FolderMatch match;
  std::vector<std::pair<std::size_t, std::size_t>> files;  ///< (plan, member), the first's first
  std::vector<std::size_t> below;                          ///< in CopyFinder::pairs
};

/// A pair climbed to the highest pair of folders that are still copies.
struct ClimbedPair {
  FolderNode first;
  FolderNode second;
  std::size_t entry = 0;  ///< in CopyFinder::pairs
};

struct CopyFinder {
  const Report& report;
  const CheckedReport& checked;
  const std::vector<GroupPlan>& plans;
  std::map<FileIdentity, std::vector<FileRef>> files;  // by name within each folder
  std::vector<PairEntry> pairs;
  std::map<FolderPairKey, std::size_t> matches;  // in pairs: decided or being decided
  std::map<FolderPairKey, ClimbedPair> climbed;  // every pair a climb passed, to its top
  ListingCache parents;
};

/// Indexes the planned groups' files by folder and name.
void IndexFiles(CopyFinder* finder);

/// Whether the two folders are copies of each other, and of how much: the pair's entry in
/// `finder.pairs`. A pair met again while it is being decided (a folder that is its own ancestor
/// through a mount) is no copy.
std::size_t CompareFolders(CopyFinder& finder, const FolderNode& first, const FolderNode& second);

/// The files of the pair `entry` and of every pair below it: (plan, member), in pairs, the first
/// folder's file first.
std::vector<std::pair<std::size_t, std::size_t>> CoveredFiles(const CopyFinder& finder,
                                                              std::size_t entry);

/// Climbs from a pair of copies (`entry`) to the highest pair of folders that are still copies.
/// Each pair passed remembers where its climb ended, so many pairs below one top climb once.
ClimbedPair Climb(CopyFinder& finder, const FolderNode& first, const FolderNode& second,
                  std::size_t entry);
