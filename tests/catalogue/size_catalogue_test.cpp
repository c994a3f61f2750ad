#include "catalogue/size_catalogue.h"

#include <gtest/gtest.h>

namespace {

void Add(FileCatalogue& catalogue, std::int64_t size, const char* name) {
  PathString path(name, name + std::char_traits<char>::length(name));
  AddFileRecord(catalogue, size, path);
  ++catalogue.FileCount;
}

std::vector<PathString> PathsOf(const std::vector<FileRecord>& records) {
  std::vector<PathString> paths;
  for (const FileRecord& record : records) {
    paths.push_back(record.path);
  }
  return paths;
}

PathString Text(const char* name) {
  return PathString(name, name + std::char_traits<char>::length(name));
}

TEST(SizeCatalogue, VisitsSizesAscendingWithRecordsInOrderAdded) {
  FileCatalogue catalogue;
  Add(catalogue, 7, "a");
  Add(catalogue, 3, "b");
  Add(catalogue, 7, "c");
  Add(catalogue, 3, "d");
  Add(catalogue, 9, "e");
  std::vector<std::int64_t> sizes;
  for (const auto& [size, records] : catalogue.sizes) {
    sizes.push_back(size);
    EXPECT_EQ(records.front().fingerprint, ZeroFingerprint);
  }
  EXPECT_EQ(sizes, (std::vector<std::int64_t>{3, 7, 9}));
  EXPECT_EQ(PathsOf(catalogue.sizes[3]), (std::vector<PathString>{Text("b"), Text("d")}));
  EXPECT_EQ(PathsOf(catalogue.sizes[7]), (std::vector<PathString>{Text("a"), Text("c")}));

  PruneUniqueSizes(catalogue);
  EXPECT_EQ(catalogue.FileCount, 4);
  EXPECT_EQ(catalogue.sizes.count(9), 0u);
  EXPECT_EQ(catalogue.sizes.size(), 2u);
}

TEST(SizeCatalogue, TakesEmptyFilesInOrderFoundAndKeepsThemCounted) {
  FileCatalogue catalogue;
  Add(catalogue, 0, "z1");
  Add(catalogue, 10, "t1");
  Add(catalogue, 0, "z2");
  Add(catalogue, 10, "t2");
  Add(catalogue, 0, "z3");
  PruneUniqueSizes(catalogue);
  EXPECT_EQ(catalogue.FileCount, 5);

  const std::vector<FileRecord> empty = TakeEmptyFiles(catalogue);
  EXPECT_EQ(PathsOf(empty), (std::vector<PathString>{Text("z1"), Text("z2"), Text("z3")}));
  EXPECT_EQ(catalogue.FileCount, 5);
  ASSERT_EQ(catalogue.sizes.size(), 1u);
  EXPECT_EQ(catalogue.sizes.begin()->first, 10);
}

TEST(SizeCatalogue, SingleEmptyFileIsPrunedAndNoEmptyListRemains) {
  FileCatalogue catalogue;
  Add(catalogue, 0, "only");
  PruneUniqueSizes(catalogue);
  EXPECT_EQ(catalogue.FileCount, 0);
  EXPECT_TRUE(TakeEmptyFiles(catalogue).empty());
  EXPECT_TRUE(catalogue.sizes.empty());
}

TEST(SizeCatalogue, EmptyCatalogueStaysEmpty) {
  FileCatalogue catalogue;
  PruneUniqueSizes(catalogue);
  EXPECT_TRUE(TakeEmptyFiles(catalogue).empty());
  EXPECT_TRUE(catalogue.sizes.empty());
  EXPECT_EQ(catalogue.FileCount, 0);
}

TEST(SizeCatalogue, KeepsRepeatedPathsAndLargeSizes) {
  FileCatalogue catalogue;
  Add(catalogue, 5000000000LL, "big");
  Add(catalogue, 5000000000LL, "big");
  PruneUniqueSizes(catalogue);
  EXPECT_EQ(PathsOf(catalogue.sizes[5000000000LL]),
            (std::vector<PathString>{Text("big"), Text("big")}));
}

}  // namespace
