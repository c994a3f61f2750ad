// Which folders the summary shows as copies of others, and which groups it then folds away.
#include <gtest/gtest.h>

#include "support/expected_texts.h"
#include "support/temp_tree.h"
#include "support/tidy_expected_texts.h"
#include "support/tidy_in_process.h"
#include "support/tidy_support.h"

namespace {

// The summary's lines under the copied folders' heading, which counts `groups`.
std::string CopyFolderLines(const std::string& summary, long long groups) {
  const std::size_t heading = summary.find(TidyCopyFoldersHeading(groups));
  if (heading == std::string::npos) {
    return std::string();
  }
  const std::size_t start = heading + TidyCopyFoldersHeading(groups).size();
  const std::size_t end = summary.find("\n\n", start);
  return summary.substr(start, end == std::string::npos ? end : end + 1 - start);
}

}  // namespace

// backup/photos/ holds what photos/ holds, a folder deeper: found from the files' own folders and
// climbed to the highest pair that are still copies, the older side the original, its groups
// folded into its line. A folder with one file more (on either side), or whose namesake has other
// bytes, is none.
TEST(CopyFolders, WholeCopiesOnlyClimbedToTheTop) {
  TempTree tree;
  const std::string a = PatternBytes(1000, 1);
  const std::string b = PatternBytes(2000, 2);
  const std::string r = PatternBytes(300, 3);
  const std::string t = PatternBytes(400, 4);
  WriteAgedFiles(tree.root(), {{"photos/2020/a.jpg", a, 900},
                               {"photos/2020/b.jpg", b, 900},
                               {"backup/photos/2020/a.jpg", a, 100},
                               {"backup/photos/2020/b.jpg", b, 100},
                               {"docs/r.pdf", r, 900},
                               {"docs-copy/r.pdf", r, 100},
                               {"docs-copy/z.txt", "extra", 100},
                               {"papers/p.pdf", r + "p", 900},
                               {"papers/z.txt", "more", 900},
                               {"papers-copy/p.pdf", r + "p", 100},
                               {"music/t.mp3", t, 900},
                               {"music2/t.mp3", t, 100},
                               {"music/u.mp3", PatternBytes(500, 5), 900},
                               {"music2/u.mp3", PatternBytes(500, 6), 100}});
  const auto group = [&tree](const char* first, const char* second) {
    return ReportGroup({tree / first, tree / second});
  };
  const std::string summary = RunTidyOnReport(
      tree / "duplicates.txt",
      group("photos/2020/a.jpg", "backup/photos/2020/a.jpg") +
          group("photos/2020/b.jpg", "backup/photos/2020/b.jpg") +
          group("docs/r.pdf", "docs-copy/r.pdf") + group("papers/p.pdf", "papers-copy/p.pdf") +
          group("music/t.mp3", "music2/t.mp3"),
      {});
  const std::string separator(1, static_cast<char>(kPathSeparator));
  EXPECT_EQ(CopyFolderLines(summary, 2),
            TidyCopyFolderLine(ReportPath(tree / "backup/photos") + separator,
                               ReportPath(tree / "photos") + separator, 2, "2.93 KB", 3000))
      << summary;
  EXPECT_EQ(summary.find(TidyGroupLine("1000 bytes", 2, "1000 bytes",
                                       ReportPath(tree / "photos/2020/a.jpg"))),
            std::string::npos)
      << summary;
  EXPECT_NE(
      summary.find(TidyGroupLine("300 bytes", 2, "300 bytes", ReportPath(tree / "docs/r.pdf"))),
      std::string::npos)
      << summary;
}

// A snapshot made of hard links (cp -al) is a copy whose removal frees nothing.
TEST(CopyFolders, ASnapshotOfHardLinksFreesNothing) {
  TempTree tree;
  WriteAgedFiles(tree.root(), {{"photos/a.jpg", PatternBytes(1500, 8), 900},
                               {"photos/b.jpg", PatternBytes(2500, 9), 900}});
  tree.MakeDirectory("snapshot");
  std::filesystem::create_hard_link(tree / "photos/a.jpg", tree / "snapshot/a.jpg");
  std::filesystem::create_hard_link(tree / "photos/b.jpg", tree / "snapshot/b.jpg");
  const std::string summary =
      RunTidyOnReport(tree / "duplicates.txt",
                      ReportGroup({tree / "photos/a.jpg", tree / "snapshot/a.jpg"}) +
                          ReportGroup({tree / "photos/b.jpg", tree / "snapshot/b.jpg"}),
                      {});
  const std::string separator(1, static_cast<char>(kPathSeparator));
  EXPECT_EQ(CopyFolderLines(summary, 2),
            TidyCopyFolderLinkedLine(ReportPath(tree / "snapshot") + separator,
                                     ReportPath(tree / "photos") + separator, 2))
      << summary;
  EXPECT_NE(summary.find(TidyFreeableLine("0 bytes", 0, 0)), std::string::npos) << summary;
}

// A folder that holds a link (or a FIFO, a socket, a device) the other lacks is no copy: the
// report compared none of them, and removing the folder would lose it.
TEST(CopyFolders, AFolderWithALinkTheOtherLacksIsNoCopy) {
  TempTree tree;
  WriteAgedFiles(tree.root(), {{"a/x.jpg", PatternBytes(1500, 10), 900},
                               {"b/x.jpg", PatternBytes(1500, 10), 100}});
  std::error_code error;
  std::filesystem::create_symlink("../notes/plan.txt", tree / "b/link", error);
  if (error) {
    GTEST_SKIP() << "no symbolic link can be made here: " << error.message();
  }
  const std::string summary = RunTidyOnReport(
      tree / "duplicates.txt", ReportGroup({tree / "a/x.jpg", tree / "b/x.jpg"}), {});
  EXPECT_EQ(CopyFolderLines(summary, 1), std::string()) << summary;
}
