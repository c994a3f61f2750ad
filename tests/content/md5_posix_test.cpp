// MD5 against the system's md5sum, an independent implementation, on random files.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/digest_text.h"
#include "support/temp_tree.h"

namespace {

std::string SystemMd5(const std::filesystem::path& file) {
  const std::string command = "md5sum '" + file.string() + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  char digest[33] = {};
  const std::size_t got = pipe == nullptr ? 0 : std::fread(digest, 1, 32, pipe);
  if (pipe != nullptr) {
    pclose(pipe);
  }
  return std::string(digest, got);
}

TEST(Md5Posix, EqualsMd5sumOnRandomFiles) {
  TempTree tree;
  for (const std::size_t length : {3u, 64u, 511u, 4096u, 100003u, 2000000u}) {
    const std::string bytes = PatternBytes(length, static_cast<std::uint32_t>(length * 31));
    const auto file = tree.WriteFile("random", bytes);
    const std::string expected = SystemMd5(file);
    ASSERT_EQ(expected.size(), 32u) << "md5sum did not answer";
    EXPECT_EQ(HexDigest(DigestOf(bytes)), expected) << length << " bytes";
  }
}

}  // namespace
