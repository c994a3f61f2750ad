// Writes the soak tree: `count` files in folders of 1,000, a mix that gives every stage of a run
// its share of the work. Of every 100 files, 40 are pairs of identical files, 1 has a size no
// other file has, and the rest have a size that others share but content of their own; one
// file in 1,000 is empty. Sizes run from 1 to 1,500 bytes, so both the whole-file and the
// head-and-tail fingerprint are taken.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr long kFilesPerFolder = 1000;
constexpr std::uint32_t kLargestSharedSize = 1500;
constexpr std::uint32_t kFirstUniqueSize = 2000;

// Deterministic bytes from a seed: the same seed gives the same content.
void FillContent(std::string& content, std::uint32_t size, std::uint32_t seed) {
  content.resize(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (char& byte : content) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 16);
  }
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
  const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (file < 0) {
    return false;
  }
  const bool written =
      write(file, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  return close(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_soak_tree FOLDER COUNT\n");
    return 2;
  }
  const std::string root = argv[1];
  const long count = std::atol(argv[2]);
  if (mkdir(root.c_str(), 0755) != 0) {
    std::perror(root.c_str());
    return 1;
  }
  std::string content;
  std::string folder;
  char name[32];
  for (long index = 0; index < count; ++index) {
    if (index % kFilesPerFolder == 0) {
      std::snprintf(name, sizeof name, "/d%04ld", index / kFilesPerFolder);
      folder = root + name;
      if (mkdir(folder.c_str(), 0755) != 0) {
        std::perror(folder.c_str());
        return 1;
      }
    }
    const std::uint32_t slot = static_cast<std::uint32_t>(index % 100);
    if (index % 1000 == 500) {
      content.clear();
    } else if (slot == 99) {
      FillContent(content, kFirstUniqueSize + static_cast<std::uint32_t>(index / 100),
                  static_cast<std::uint32_t>(index));
    } else if (slot < 40) {
      const std::uint32_t pair = static_cast<std::uint32_t>(index / 2);
      FillContent(content, 1 + pair * 7919 % kLargestSharedSize, pair);
    } else {
      const std::uint32_t seed = static_cast<std::uint32_t>(index) + 0x80000000u;
      FillContent(content, 1 + seed * 104729 % kLargestSharedSize, seed);
    }
    std::snprintf(name, sizeof name, "/f%07ld", index);
    if (!WriteWholeFile(folder + name, content)) {
      std::perror((folder + name).c_str());
      return 1;
    }
  }
  return 0;
}
