// The report's check before the walk on Windows: what the system will not let a new report
// replace is refused, and nothing is created or changed.
#include "platform/report_file.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace {

TEST(CheckReportWritable, ReadOnlyReportFolderOfThatNameAndMissingFolderFail) {
  TempTree tree;
  const auto readOnly = tree.WriteFile("read-only.txt", "kept");
  std::filesystem::permissions(readOnly, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_NE(CheckReportWritable(readOnly.c_str()), 0);
  EXPECT_EQ(ReadWholeFile(readOnly), "kept");
  std::filesystem::permissions(readOnly, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);  // so the tree can go

  EXPECT_NE(CheckReportWritable(tree.MakeDirectory("folder.txt").c_str()), 0);
  EXPECT_NE(CheckReportWritable((tree / "missing" / "duplicates.txt").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(tree / "missing"));
}

}  // namespace
