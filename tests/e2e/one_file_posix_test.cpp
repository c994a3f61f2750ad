// One file is one file: however a folder is reached twice (two spellings of a root, a bind mount
// inside a root), no file is ever listed as its own copy, and a folder that is its own ancestor
// is listed once.
#include <sys/mount.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "support/e2e_support.h"

namespace {

const std::string kContent = "the same holiday, twice";

// A tree with one true pair of copies, and a lone file of the same size.
void MakePhotos(const TempTree& tree) {
  tree.WriteFile("Photos/2024/beach.jpg", kContent);
  tree.WriteFile("Photos/2024/beach-copy.jpg", kContent);
  tree.WriteFile("Photos/2024/lone.jpg", std::string(kContent.size(), 'x'));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    lines.push_back(line);
  }
  return lines;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The report holds the one pair, each file once, under whichever spelling the walk met it.
void ExpectOnlyThePair(const ProgramResult& result, const std::string& report,
                       const std::string& where) {
  const std::vector<std::string> lines = Lines(report);
  ASSERT_EQ(lines.size(), 4u) << where << "\n" << report;
  EXPECT_EQ(lines[0], "File Size: " + std::to_string(kContent.size()) + " bytes") << where;
  EXPECT_TRUE(EndsWith(lines[1], "/beach-copy.jpg") || EndsWith(lines[2], "/beach-copy.jpg"))
      << where << "\n"
      << report;
  EXPECT_TRUE(EndsWith(lines[1], "/beach.jpg") || EndsWith(lines[2], "/beach.jpg")) << where << "\n"
                                                                                    << report;
  EXPECT_NE(result.output.find("\tFound 2 duplicate files wasting a total of " +
                               std::to_string(kContent.size()) + " bytes bytes\n"),
            std::string::npos)
      << where << "\n"
      << result.output;
}

TEST(OneFileIsOneFile, TwoSpellingsOfOneFolderListNoFileAsItsOwnCopy) {
  TempTree tree;
  MakePhotos(tree);
  const std::string absolute = (tree / "Photos").string();
  const std::vector<std::vector<std::string>> spellings = {
      {"Photos/", "Photos/2024/"},  // what tab completion types
      {"Photos", "./Photos"},      {"Photos", absolute},
      {"Photos/.", "Photos"},      {"Photos/2024/../2024", "Photos/2024"},
  };
  for (const std::vector<std::string>& roots : spellings) {
    const ProgramResult result = RunIn(tree.root(), {roots[0], roots[1]});
    ExpectOnlyThePair(result, ReadWholeFile(tree / "duplicates.txt"), roots[0] + " " + roots[1]);
    EXPECT_EQ(result.exitCode, 0);
  }
}

// A bind mount made for one test and removed after it; skipped where mounts are not allowed.
class BindMount {
 public:
  BindMount(const std::filesystem::path& source, const std::filesystem::path& target)
      : target_(target) {
    if (std::filesystem::is_directory(source)) {
      std::filesystem::create_directories(target);
    } else {
      std::ofstream(target).close();  // a file is mounted on a file
    }
    error_ = mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) == 0 ? 0 : errno;
  }
  ~BindMount() {
    if (error_ == 0) {
      umount2(target_.c_str(), MNT_DETACH);
    }
  }
  BindMount(const BindMount&) = delete;
  BindMount& operator=(const BindMount&) = delete;
  int Error() const { return error_; }

 private:
  std::filesystem::path target_;
  int error_ = 0;
};

#define SKIP_WITHOUT(bind)                                                          \
  if ((bind).Error() != 0) {                                                        \
    GTEST_SKIP() << "bind mounts need root in a mount namespace that allows them: " \
                 << std::strerror((bind).Error());                                  \
  }

TEST(OneFileIsOneFile, ABindMountInsideTheRootListsNoFileAsItsOwnCopy) {
  TempTree tree;
  MakePhotos(tree);
  const BindMount mirror(tree / "Photos/2024", tree / "Photos/mirror");
  SKIP_WITHOUT(mirror);
  const ProgramResult result = RunIn(tree.root(), {"Photos"});
  ExpectOnlyThePair(result, ReadWholeFile(tree / "duplicates.txt"), "Photos with a mirror");
}

TEST(OneFileIsOneFile, AFileBindMountedOverAnotherNameIsNoCopyOfItself) {
  TempTree tree;
  MakePhotos(tree);
  const BindMount again(tree / "Photos/2024/lone.jpg", tree / "Photos/again.jpg");
  SKIP_WITHOUT(again);
  const ProgramResult result = RunIn(tree.root(), {"Photos"});
  ExpectOnlyThePair(result, ReadWholeFile(tree / "duplicates.txt"), "a file mounted twice");
}

TEST(OneFileIsOneFile, AFolderThatIsItsOwnAncestorIsListedOnce) {
  TempTree tree;
  MakePhotos(tree);
  const BindMount loop(tree / "Photos", tree / "Photos/2024/loop");
  SKIP_WITHOUT(loop);
  const std::string root = (tree / "Photos").string();
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "Photos")});
  ExpectedRun expected = Counts({root}, 3, 3, 3, 2, std::to_string(kContent.size()) + " bytes");
  expected.walkLines = ListingFailedLine(root + "/2024/loop", ELOOP);
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(result.exitCode, 0);
}

}  // namespace
