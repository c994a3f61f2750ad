// Every file the walk found, keyed by its exact size, and the counters the console shows.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "catalogue/file_record.h"
#include "catalogue/path_store.h"
#include "catalogue/walk_places.h"
#include "content/content_digest.h"

/// A file as the walk met it, before the sizes are sorted out.
struct FoundFile {
  std::int64_t size = 0;
  const PathChar* path = nullptr;  ///< kept in the catalogue's PathStore
};

/// The files of one size: `count` records of the catalogue from `first` on, in the order the walk
/// met them.
struct SizeClass {
  std::int64_t size = 0;
  std::size_t first = 0;
  std::size_t count = 0;
};

/// Size in bytes to the files of that size: one class per size, ascending, each class's records
/// side by side in walk order.
struct SizeCatalogue {
  std::vector<SizeClass> classes;
  std::vector<FileRecord> records;
  /// The whole-content digests of the records of the smallest classes, whose files the
  /// fingerprints read whole, one per record from the first on (see MakeRoomForWholeDigests).
  std::vector<WholeDigest> wholeDigests;
};

/// One size class as grouping takes it: its records and, for files read whole, their digests.
struct SizeClassView {
  std::int64_t size = 0;
  const FileRecord* records = nullptr;
  std::size_t count = 0;
  /// Per record, its whole-content digest (kNoWholeDigest: none); null: none were taken.
  const WholeDigest* wholeDigests = nullptr;
};

/// The counts the console shows, named as it has always named them.
struct WalkCounters {
  /// Files recorded, less one per size pruned: after pruning, the potential duplicates.
  std::int32_t FileCount = 0;
  /// Directories the walk tried to list, roots included, listable or not.
  std::int32_t DirectoryCount = 0;
};

/// Files are listed as the walk finds them and sorted into size classes once, when the walk is
/// over: a search tree keyed by size cost a lookup with a cache miss at every level for every
/// file, and a node and a vector of its own for every size.
struct FileCatalogue {
  PathStore paths;
  WalkPlaces places;
  /// Every file recorded, in walk order, until PruneUniqueSizes sorts them into `sizes`.
  std::vector<FoundFile> found;
  /// The files of several names met so far, until PruneUniqueSizes: their later names are marked
  /// (KeptFileMetBefore). Only files of several names cost room.
  std::unordered_set<FileIdentity, FileIdentityHash> filesOfSeveralNames;
  SizeCatalogue sizes;
  WalkCounters counters;
};

/// Records a file of `size` at `path`, listed in folder number `folder`, with ZeroFingerprint,
/// after the files recorded before it, and counts it in FileCount. `identity`, when known, is the
/// file's as listed, kept with the path (KeptFileIdentity); of a file of `severalNames`, a name
/// after the first met is marked as such.
void AddFileRecord(FileCatalogue& catalogue, std::int64_t size, const PathString& path,
                   std::uint32_t folder, const FileIdentity& identity = FileIdentity(),
                   bool severalNames = false);

/// Sorts the recorded files into size classes, keeping the walk's order within each size, and
/// drops every size that only one file has, one FileCount for each.
void PruneUniqueSizes(FileCatalogue& catalogue);

/// Takes the files of size 0 out of the catalogue, in the order found; FileCount is unchanged.
std::vector<FileRecord> TakeEmptyFiles(FileCatalogue& catalogue);

/// The catalogue's records, folder by folder in the order the walk listed the folders, and in
/// listing order within each: reading files in this order finds the system's data on each folder
/// still cached.
std::vector<FileRecord*> RecordsByFolder(FileCatalogue& catalogue);

/// Makes room, all kNoWholeDigest, for the whole-content digests of the records of every class no
/// larger than `largestSize`. The classes run in ascending size, so theirs are the first records,
/// and only those cost room.
void MakeRoomForWholeDigests(SizeCatalogue& sizes, std::int64_t largestSize);

/// Where the whole-content digest of `record`, a record of `sizes`, goes; null where there is no
/// room for it.
WholeDigest* WholeDigestSlot(SizeCatalogue& sizes, const FileRecord& record);

/// A class with its records and their whole-content digests, if any were taken.
SizeClassView ViewOf(const SizeCatalogue& sizes, const SizeClass& sizeClass);

/// The class that holds `record`, a record of `sizes`.
const SizeClass& ClassOf(const SizeCatalogue& sizes, const FileRecord& record);

/// The first record of a class; its `count` records follow it.
inline FileRecord* RecordsOf(SizeCatalogue& sizes, const SizeClass& sizeClass) {
  return sizes.records.data() + sizeClass.first;
}
inline const FileRecord* RecordsOf(const SizeCatalogue& sizes, const SizeClass& sizeClass) {
  return sizes.records.data() + sizeClass.first;
}
