// Every file the walk found, keyed by its exact size, and the counters the console shows.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "catalogue/file_record.h"

/// Size in bytes to the files of that size, in the order the walk met them; ascending sizes.
using SizeCatalogue = std::map<std::int64_t, std::vector<FileRecord>>;

struct FileCatalogue {
  SizeCatalogue sizes;
  /// Files recorded, less one per size pruned: after pruning, the potential duplicates.
  std::int32_t FileCount = 0;
  /// Directories the walk tried to list, roots included, listable or not.
  std::int32_t DirectoryCount = 0;
};

/// Appends {path, ZeroFingerprint} to the class of `size`, creating the class if needed. The
/// caller counts the file in FileCount.
void AddFileRecord(FileCatalogue& catalogue, std::int64_t size, const PathString& path);

/// Removes every size that only one file has, one FileCount for each.
void PruneUniqueSizes(FileCatalogue& catalogue);

/// Takes the files of size 0 out of the catalogue, in the order found; FileCount is unchanged.
std::vector<FileRecord> TakeEmptyFiles(FileCatalogue& catalogue);
