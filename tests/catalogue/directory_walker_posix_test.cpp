// Walker cases that need POSIX file kinds: links, FIFOs and sockets.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "catalogue/directory_walker.h"
#include "support/walk_support.h"

namespace {

TEST(WalkerPosix, SkipsLinksFifosAndSocketsWithoutOpeningThem) {
  TempTree tree;
  const auto real = tree.WriteFile("real", "content");
  tree.MakeDirectory("dir");
  tree.WriteFile("dir/inner", "content");
  std::filesystem::create_symlink(real, tree / "file-link");
  std::filesystem::create_directory_symlink(tree / "dir", tree / "dir-link");
  std::filesystem::create_directory_symlink(tree.root(), tree / "dir/parent-link");
  std::filesystem::create_symlink(tree / "nowhere", tree / "dangling");
  ASSERT_EQ(mkfifo((tree / "fifo").c_str(), 0600), 0);
  const int unixSocket = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (tree / "sock").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(bind(unixSocket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  const WalkResult walk = Walk({tree.root().string()});
  close(unixSocket);
  std::vector<PathString> recorded = walk.PathsOfSize(7);
  std::sort(recorded.begin(), recorded.end());
  EXPECT_EQ(recorded, (std::vector<PathString>{(tree / "dir/inner").string(), real.string()}));
  EXPECT_EQ(walk.catalogue.counters.FileCount, 2);
  EXPECT_EQ(walk.catalogue.counters.DirectoryCount, 2);
  EXPECT_EQ(walk.console, "");
}

}  // namespace
