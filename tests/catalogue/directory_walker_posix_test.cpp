// Walker cases that need POSIX file kinds: links, FIFOs and sockets.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "catalogue/directory_walker.h"
#include "support/file_system_posix.h"
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

ino_t InodeNumberOf(const std::filesystem::path& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

// ext4 gives the inode number of a folder deleted during the walk to the next folder made beside
// it: that folder is another one, and its files are no second sight of the deleted folder's.
TEST(WalkerPosix, AFolderGivenTheInodeNumberOfOneDeletedIsAnotherFolder) {
  const Ext4Image fileSystem;
  if (!fileSystem.Unavailable().empty()) {
    GTEST_SKIP() << fileSystem.Unavailable();
  }
  // Below a folder of its own: ext4 spreads the folders at the top of a file system over its
  // groups, and makes one below another in its parent's group, in the first free inode.
  const std::filesystem::path project = fileSystem.root() / "project";
  std::filesystem::create_directories(project / "build");
  std::ofstream(project / "build" / "out") << "bytes";
  const ino_t deleted = InodeNumberOf(project / "build");
  FileCatalogue catalogue;
  TextOutput console;
  console.stream = std::tmpfile();
  ScanDirectory((project / "build").string(), catalogue, console);
  std::filesystem::remove_all(project / "build");
  std::filesystem::create_directory(project / "rebuilt");
  std::ofstream(project / "rebuilt" / "out") << "bytes";
  if (InodeNumberOf(project / "rebuilt") != deleted) {
    GTEST_SKIP() << "ext4 gave the new folder another inode number: nothing to tell apart";
  }
  ScanDirectory((project / "rebuilt").string(), catalogue, console);
  std::fclose(console.stream);
  NoteRepeatedFolders(catalogue.places);
  EXPECT_FALSE(catalogue.places.foldersRepeat)
      << "rebuilt was taken for build listed again, and rebuilt/out for build/out";
}

}  // namespace
