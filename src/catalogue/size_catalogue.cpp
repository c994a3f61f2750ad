#include "catalogue/size_catalogue.h"

#include <utility>

void AddFileRecord(FileCatalogue& catalogue, std::int64_t size, const PathString& path) {
  auto sizeClass = catalogue.sizes.lower_bound(size);
  if (sizeClass == catalogue.sizes.end() || sizeClass->first != size) {
    sizeClass = catalogue.sizes.emplace_hint(sizeClass, size, std::vector<FileRecord>());
  }
  sizeClass->second.push_back(FileRecord{path, ZeroFingerprint});
}

void PruneUniqueSizes(FileCatalogue& catalogue) {
  for (auto sizeClass = catalogue.sizes.begin(); sizeClass != catalogue.sizes.end();) {
    if (sizeClass->second.size() == 1) {
      sizeClass = catalogue.sizes.erase(sizeClass);
      --catalogue.FileCount;
    } else {
      ++sizeClass;
    }
  }
}

std::vector<FileRecord> TakeEmptyFiles(FileCatalogue& catalogue) {
  std::vector<FileRecord> emptyFiles;
  const auto emptyClass = catalogue.sizes.find(0);
  if (emptyClass != catalogue.sizes.end()) {
    emptyFiles = std::move(emptyClass->second);
    catalogue.sizes.erase(emptyClass);
  }
  return emptyFiles;
}
