// Deep chains through *at calls on descriptors: a path from the root to the bottom never exists
// as text, so the system's path limit never stops the test itself.
#include "support/deep_chain_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

void MakeDeepChain(const std::filesystem::path& root, int levels,
                   const std::function<void(int level, int folder)>& atLevel) {
  int current = open(root.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(current, 0) << root;
  for (int level = 1; level <= levels; ++level) {
    const int next =
        mkdirat(current, "d", 0755) == 0 ? openat(current, "d", O_RDONLY | O_DIRECTORY) : -1;
    close(current);
    ASSERT_GE(next, 0) << "could not make level " << level << " of the chain";
    atLevel(level, next);
    current = next;
  }
  close(current);
}

void WriteFileAt(int folder, const std::string& name, const std::string& bytes) {
  const int file = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(file, 0) << name;
  const ssize_t written = write(file, bytes.data(), bytes.size());
  close(file);
  ASSERT_EQ(written, static_cast<ssize_t>(bytes.size())) << name;
}

// The second level is lifted beside the first, the first (now shallow) removed, and the lifted
// one put in its place: the chain loses one level per round and no path grows long.
void RemoveDeepChain(const std::filesystem::path& root) {
  const std::filesystem::path top = root / "d";
  const std::filesystem::path second = top / "d";
  const std::filesystem::path lifted = root / "lifted";
  std::error_code ignored;
  while (std::filesystem::exists(top, ignored)) {
    const bool deeper = std::filesystem::exists(second, ignored);
    if (deeper) {
      std::filesystem::rename(second, lifted, ignored);
    }
    std::filesystem::remove_all(top, ignored);
    if (!deeper) {
      break;
    }
    std::filesystem::rename(lifted, top, ignored);
  }
}
