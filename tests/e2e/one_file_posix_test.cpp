// One file is one file: however a folder is reached twice (two spellings of a root, a bind mount
// inside a root), no file is ever listed as its own copy, and a folder that is its own ancestor
// is listed once.
#include <sys/mount.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "support/e2e_support.h"
#include "support/one_pair.h"

namespace {

TEST(OneFileIsOneFile, TwoSpellingsOfOneFolderListNoFileAsItsOwnCopy) {
  TempTree tree;
  MakeOnePair(tree / "Photos/2024");
  const std::string absolute = (tree / "Photos").string();
  const std::vector<std::vector<std::string>> spellings = {
      {"Photos/", "Photos/2024/"},  // what tab completion types
      {"Photos", "./Photos"},      {"Photos", absolute},
      {"Photos/.", "Photos"},      {"Photos/2024/../2024", "Photos/2024"},
  };
  for (const std::vector<std::string>& roots : spellings) {
    const ProgramResult result = RunIn(tree.root(), {roots[0], roots[1]});
    ExpectOnlyThePair(result, ReadWholeFile(tree / "duplicates.txt"), roots[0] + " " + roots[1]);
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
  MakeOnePair(tree / "Photos/2024");
  const BindMount mirror(tree / "Photos/2024", tree / "Photos/mirror");
  SKIP_WITHOUT(mirror);
  const ProgramResult result = RunIn(tree.root(), {"Photos"});
  ExpectOnlyThePair(result, ReadWholeFile(tree / "duplicates.txt"), "Photos with a mirror");
}

// Each file mounted again under its name in another folder: no folder is listed twice, so only
// the files themselves can tell that each is one file.
TEST(OneFileIsOneFile, FilesBindMountedUnderSecondNamesAreNoCopiesOfThemselves) {
  TempTree tree;
  MakeOnePair(tree / "Photos/2024");
  std::filesystem::create_directories(tree / "Photos/again");
  const BindMount beach(tree / "Photos/2024/beach.jpg", tree / "Photos/again/beach.jpg");
  SKIP_WITHOUT(beach);
  const BindMount copy(tree / "Photos/2024/beach-copy.jpg", tree / "Photos/again/beach-copy.jpg");
  const BindMount lone(tree / "Photos/2024/lone.jpg", tree / "Photos/again/lone.jpg");
  const ProgramResult result = RunIn(tree.root(), {"Photos"});
  ExpectOnlyThePair(result, ReadWholeFile(tree / "duplicates.txt"), "each file mounted twice");
}

TEST(OneFileIsOneFile, AFolderThatIsItsOwnAncestorIsListedOnce) {
  TempTree tree;
  MakeOnePair(tree / "Photos/2024");
  const BindMount loop(tree / "Photos", tree / "Photos/2024/loop");
  SKIP_WITHOUT(loop);
  const std::string root = (tree / "Photos").string();
  const ProgramResult result = RunIn(tree.root(), {NativeText(tree / "Photos")});
  ExpectedRun expected = Counts({root}, 3, 3, 3, 2, std::to_string(kPairContent.size()) + " bytes");
  expected.walkLines = ListingFailedLine(root + "/2024/loop", ELOOP);
  EXPECT_EQ(result.output, ExpectedConsole(expected));
  EXPECT_EQ(result.exitCode, 0);
}

}  // namespace
