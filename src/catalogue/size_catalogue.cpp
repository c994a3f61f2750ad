#include "catalogue/size_catalogue.h"

#include <algorithm>

void AddFileRecord(FileCatalogue& catalogue, std::int64_t size, const PathString& path) {
  catalogue.found.push_back(FoundFile{size, KeepPath(catalogue.paths, path.data(), path.size())});
}

void PruneUniqueSizes(FileCatalogue& catalogue) {
  std::vector<FoundFile>& found = catalogue.found;
  // Stable: the files of one size stay in the order the walk met them.
  std::stable_sort(found.begin(), found.end(), [](const FoundFile& left, const FoundFile& right) {
    return left.size < right.size;
  });
  std::size_t kept = 0;
  std::size_t classCount = 0;
  for (std::size_t first = 0, end; first < found.size(); first = end) {
    for (end = first + 1; end < found.size() && found[end].size == found[first].size; ++end) {
    }
    if (end - first >= 2) {
      kept += end - first;
      ++classCount;
    }
  }
  SizeCatalogue& sizes = catalogue.sizes;
  sizes.classes.reserve(sizes.classes.size() + classCount);
  sizes.records.reserve(sizes.records.size() + kept);
  for (std::size_t first = 0, end; first < found.size(); first = end) {
    for (end = first + 1; end < found.size() && found[end].size == found[first].size; ++end) {
    }
    if (end - first == 1) {
      --catalogue.FileCount;
      continue;
    }
    sizes.classes.push_back(SizeClass{found[first].size, sizes.records.size(), end - first});
    for (std::size_t index = first; index < end; ++index) {
      sizes.records.push_back(FileRecord{found[index].path, ZeroFingerprint});
    }
  }
  std::vector<FoundFile>().swap(found);  // its memory goes back before the fingerprints begin
}

std::vector<FileRecord> TakeEmptyFiles(FileCatalogue& catalogue) {
  std::vector<FileRecord> emptyFiles;
  std::vector<SizeClass>& classes = catalogue.sizes.classes;
  const auto emptyClass = std::lower_bound(
      classes.begin(), classes.end(), 0,
      [](const SizeClass& sizeClass, std::int64_t size) { return sizeClass.size < size; });
  if (emptyClass != classes.end() && emptyClass->size == 0) {
    const FileRecord* records = RecordsOf(catalogue.sizes, *emptyClass);
    emptyFiles.assign(records, records + emptyClass->count);
    classes.erase(emptyClass);  // its records stay unused in the catalogue's storage
  }
  return emptyFiles;
}
