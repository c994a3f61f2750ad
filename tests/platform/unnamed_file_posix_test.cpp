// A file without a name is named only through what is provably that file: a /proc someone else
// prepared (a folder of links, in a chroot or a container) names another file by the descriptor's
// number, and that file must never be linked in beside the report.
#include "platform/unnamed_file_posix.h"

#include <errno.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

#include "support/temp_tree.h"

namespace {

TEST(UnnamedFilePosix, IsNamedOnlyThroughALinkThatIsItself) {
  TempTree tree;
  const int descriptor = OpenUnnamed(tree.root().c_str(), 0600);
  if (descriptor < 0) {
    GTEST_SKIP() << "no file without a name here: " << std::strerror(errno);
  }
  const std::filesystem::path foreign = tree.WriteFile("foreign", "another user's bytes");
  const std::filesystem::path planted = tree / "proc/self/fd" / std::to_string(descriptor);
  std::filesystem::create_directories(planted.parent_path());
  std::filesystem::create_symlink(foreign, planted);
  const std::filesystem::path named = tree / "named";

  EXPECT_FALSE(PathNamesDescriptor(planted, descriptor));
  EXPECT_EQ(NameThroughLink(descriptor, planted, named.c_str()), ESTALE);
  EXPECT_FALSE(std::filesystem::exists(named));
  EXPECT_EQ(std::filesystem::hard_link_count(foreign), 1u);

  EXPECT_EQ(NameThroughLink(descriptor, ProcessLink(descriptor), named.c_str()), 0);
  EXPECT_TRUE(PathNamesDescriptor(named, descriptor));
  // And with the descriptor itself where the process may, else through /proc.
  EXPECT_EQ(NameUnnamed(descriptor, (tree / "named-too").c_str()), 0);
  EXPECT_TRUE(PathNamesDescriptor(tree / "named-too", descriptor));
  close(descriptor);
}

}  // namespace
