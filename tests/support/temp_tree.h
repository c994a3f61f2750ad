// Scoped temporary trees for tests, and reading back what the program wrote.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/path_text.h"

/// A fresh folder under the system's temp folder, removed with everything in it at scope end.
class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path operator/(const std::filesystem::path& relative) const {
    return root_ / relative;
  }

  /// Creates the file (and its folders) with exactly these bytes; returns its full path.
  std::filesystem::path WriteFile(const std::filesystem::path& relative,
                                  const std::string& bytes) const;
  /// Creates a sparse file of `size` bytes, zero but for the given bytes at their offsets.
  std::filesystem::path WriteSparseFile(
      const std::filesystem::path& relative, std::int64_t size,
      const std::vector<std::pair<std::int64_t, char>>& bytes) const;
  std::filesystem::path MakeDirectory(const std::filesystem::path& relative) const;

 private:
  std::filesystem::path root_;
};

/// The path as the program's own text: bytes on POSIX, UTF-16 on Windows.
inline PathString NativeText(const std::filesystem::path& path) { return path.native(); }

/// The path as the program prints it: its bytes on POSIX, UTF-8 on Windows.
std::string PrintedText(const std::filesystem::path& path);

/// A path's text as the program prints it, every character as it is: bytes on POSIX, UTF-8 on
/// Windows.
std::string Utf8Text(const PathString& text);

/// Deterministic bytes for test files: `length` bytes from a simple generator seeded by `seed`.
std::string PatternBytes(std::size_t length, std::uint32_t seed);

/// The whole content of a file, as bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);

/// The names of the entries of a folder: a file left behind shows up here.
std::set<std::string> NamesIn(const std::filesystem::path& folder);

/// Whether an entry of `folder` has a name starting with `prefix`; false, not an exception, when
/// the folder cannot be listed (it may change while it is looked at).
bool NameAppears(const std::filesystem::path& folder, const PathString& prefix);

/// What a temporary stream received, from its start.
std::string StreamContent(std::FILE* stream);
