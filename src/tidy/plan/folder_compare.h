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
  std::vector<std::pair<std::size_t, std::size_t>> covered;  ///< (plan, member)
};

/// A verified file, by its name in its folder.
struct FileRef {
  PathString name;
  std::size_t plan = 0;
  std::size_t member = 0;
};

struct CopyFinder {
  const Report& report;
  const CheckedReport& checked;
  const std::vector<GroupPlan>& plans;
  std::map<FileIdentity, std::vector<FileRef>> files;  // by name within each folder
  std::map<FolderPairKey, FolderMatch> matches;        // decided or being decided
};

/// Indexes the planned groups' files by folder and name.
void IndexFiles(CopyFinder* finder);

/// Whether the two folders are copies of each other, and of how much. A pair met again while it
/// is being decided (a folder that is its own ancestor through a mount) is no copy.
FolderMatch CompareFolders(CopyFinder& finder, const FolderNode& first, const FolderNode& second);

/// Climbs from a pair of copies to the highest pair of folders that are still copies.
void Climb(CopyFinder& finder, FolderNode* first, FolderNode* second, FolderMatch* match);
