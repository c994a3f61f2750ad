#include "catalogue/size_catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "support/expected_texts.h"

namespace {

void Add(FileCatalogue& catalogue, std::int64_t size, const std::string& name) {
  AddFileRecord(catalogue, size, Text(name), 0);
}

std::vector<std::int64_t> Sizes(const FileCatalogue& catalogue) {
  std::vector<std::int64_t> sizes;
  for (const SizeClass& sizeClass : catalogue.sizes.classes) {
    sizes.push_back(sizeClass.size);
  }
  return sizes;
}

// The paths of the class of `size`, in stored order; none when there is no such class.
std::vector<PathString> PathsOf(const FileCatalogue& catalogue, std::int64_t size) {
  std::vector<PathString> paths;
  for (const SizeClass& sizeClass : catalogue.sizes.classes) {
    if (sizeClass.size == size) {
      const FileRecord* records = RecordsOf(catalogue.sizes, sizeClass);
      for (std::size_t index = 0; index < sizeClass.count; ++index) {
        paths.push_back(records[index].path);
      }
    }
  }
  return paths;
}

std::vector<PathString> PathsOf(const std::vector<FileRecord>& records) {
  std::vector<PathString> paths;
  for (const FileRecord& record : records) {
    paths.push_back(record.path);
  }
  return paths;
}

TEST(SizeCatalogue, VisitsSizesAscendingWithRecordsInOrderAddedAndDropsUniqueSizes) {
  FileCatalogue catalogue;
  Add(catalogue, 7, "a");
  Add(catalogue, 3, "b");
  Add(catalogue, 7, "c");
  Add(catalogue, 3, "d");
  Add(catalogue, 9, "e");
  PruneUniqueSizes(catalogue);
  EXPECT_EQ(catalogue.counters.FileCount, 4);
  EXPECT_EQ(Sizes(catalogue), (std::vector<std::int64_t>{3, 7}));
  EXPECT_EQ(PathsOf(catalogue, 3), (std::vector<PathString>{Text("b"), Text("d")}));
  EXPECT_EQ(PathsOf(catalogue, 7), (std::vector<PathString>{Text("a"), Text("c")}));
  for (const FileRecord& record : catalogue.sizes.records) {
    EXPECT_EQ(record.fingerprint, ZeroFingerprint);
  }
}

TEST(SizeCatalogue, ManyInterleavedSizesKeepTheWalkOrderWithinEachSize) {
  // Against the plainest statement of the catalogue: a map from size to the paths in order.
  FileCatalogue catalogue;
  std::map<std::int64_t, std::vector<PathString>> expected;
  std::mt19937 generator(17);
  for (int index = 0; index < 20000; ++index) {
    // Small sizes shared by many files, sizes several bytes long, and (never from a walk, but
    // the order is signed) a few negative ones.
    std::int64_t size =
        static_cast<std::int64_t>(generator() % 3000) * (index % 7 == 0 ? 1000003 : 1);
    if (index % 101 == 0) {
      size = -size;
    }
    const std::string name = "file" + std::to_string(index);
    Add(catalogue, size, name);
    expected[size].push_back(Text(name));
  }
  PruneUniqueSizes(catalogue);
  std::int32_t kept = 0;
  std::vector<std::int64_t> expectedSizes;
  for (const auto& [size, paths] : expected) {
    if (paths.size() >= 2) {
      expectedSizes.push_back(size);
      kept += static_cast<std::int32_t>(paths.size());
      EXPECT_EQ(PathsOf(catalogue, size), paths) << size;
    }
  }
  EXPECT_EQ(Sizes(catalogue), expectedSizes);
  EXPECT_EQ(catalogue.counters.FileCount, kept);
}

TEST(SizeCatalogue, TakesEmptyFilesInOrderFoundAndKeepsThemCounted) {
  FileCatalogue catalogue;
  Add(catalogue, 0, "z1");
  Add(catalogue, 10, "t1");
  Add(catalogue, 0, "z2");
  Add(catalogue, 10, "t2");
  Add(catalogue, 0, "z3");
  PruneUniqueSizes(catalogue);
  EXPECT_EQ(catalogue.counters.FileCount, 5);

  const std::vector<FileRecord> empty = TakeEmptyFiles(catalogue);
  EXPECT_EQ(PathsOf(empty), (std::vector<PathString>{Text("z1"), Text("z2"), Text("z3")}));
  EXPECT_EQ(catalogue.counters.FileCount, 5);
  EXPECT_EQ(Sizes(catalogue), std::vector<std::int64_t>{10});
  EXPECT_EQ(PathsOf(catalogue, 10), (std::vector<PathString>{Text("t1"), Text("t2")}));
}

TEST(SizeCatalogue, SingleEmptyFileIsPrunedAndNoEmptyListRemains) {
  FileCatalogue catalogue;
  Add(catalogue, 0, "only");
  Add(catalogue, 4, "x");
  Add(catalogue, 4, "y");
  PruneUniqueSizes(catalogue);
  EXPECT_EQ(catalogue.counters.FileCount, 2);
  EXPECT_TRUE(TakeEmptyFiles(catalogue).empty());
  EXPECT_EQ(Sizes(catalogue), std::vector<std::int64_t>{4});
}

TEST(SizeCatalogue, EmptyCatalogueStaysEmpty) {
  FileCatalogue catalogue;
  PruneUniqueSizes(catalogue);
  EXPECT_TRUE(TakeEmptyFiles(catalogue).empty());
  EXPECT_TRUE(catalogue.sizes.classes.empty());
  EXPECT_EQ(catalogue.counters.FileCount, 0);
}

TEST(SizeCatalogue, KeepsRepeatedPathsAndLargeSizes) {
  FileCatalogue catalogue;
  Add(catalogue, 5000000000LL, "big");
  Add(catalogue, 5000000000LL, "big");
  PruneUniqueSizes(catalogue);
  EXPECT_EQ(PathsOf(catalogue, 5000000000LL), (std::vector<PathString>{Text("big"), Text("big")}));
}

}  // namespace
