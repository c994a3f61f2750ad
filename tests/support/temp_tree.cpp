#include "support/temp_tree.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace {
std::atomic<int> treeCounter{0};
}

TempTree::TempTree() {
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::random_device device;
  const std::string name = "dupscan-test-" + std::to_string(stamp % 1000000007) + "-" +
                           std::to_string(device() % 100000) + "-" + std::to_string(++treeCounter);
  root_ = std::filesystem::temp_directory_path() / name;
  std::filesystem::create_directories(root_);
}

TempTree::~TempTree() {
  std::error_code failed;
  std::filesystem::remove_all(root_, failed);
  if (!failed) {
    return;
  }
  // A test may leave folders without permissions and read-only files behind (Windows refuses to
  // remove those): give them back, then remove again.
  std::error_code ignored;
  for (auto entry = std::filesystem::recursive_directory_iterator(
           root_, std::filesystem::directory_options::skip_permission_denied, ignored);
       entry != std::filesystem::recursive_directory_iterator(); entry.increment(ignored)) {
    if (!entry->is_symlink(ignored)) {
      std::filesystem::permissions(entry->path(),
                                   entry->is_directory(ignored)
                                       ? std::filesystem::perms::owner_all
                                       : std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, ignored);
    }
  }
  std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path TempTree::WriteFile(const std::filesystem::path& relative,
                                          const std::string& bytes) const {
  const std::filesystem::path full = root_ / relative;
  std::ofstream out(full, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) {
    // Folders only when the file's is missing: most tests write many files into a few folders.
    std::filesystem::create_directories(full.parent_path());
    out.open(full, std::ios::binary | std::ios::trunc);
  }
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return full;
}

std::filesystem::path TempTree::WriteSparseFile(
    const std::filesystem::path& relative, std::int64_t size,
    const std::vector<std::pair<std::int64_t, char>>& bytes) const {
  const std::filesystem::path full = WriteFile(relative, "");
  std::filesystem::resize_file(full, static_cast<std::uintmax_t>(size));
  std::fstream file(full, std::ios::binary | std::ios::in | std::ios::out);
  for (const auto& [offset, byte] : bytes) {
    file.seekp(static_cast<std::streamoff>(offset));
    file.put(byte);
  }
  return full;
}

std::filesystem::path TempTree::MakeDirectory(const std::filesystem::path& relative) const {
  const std::filesystem::path full = root_ / relative;
  std::filesystem::create_directories(full);
  return full;
}

// Made preferred: a test writes tree / "r/a", and on Windows the '/' stays in the path's text,
// where the program joins names with a backslash. The standard library's own UTF-8 conversion,
// so that a test checks the program's against another.
std::string PrintedText(const std::filesystem::path& path) {
  std::filesystem::path preferred = path;
  return preferred.make_preferred().u8string();
}

std::string Utf8Text(const PathString& text) { return std::filesystem::path(text).u8string(); }

std::string PatternBytes(std::size_t length, std::uint32_t seed) {
  std::mt19937 generator(seed);
  std::string bytes(length, '\0');
  for (char& byte : bytes) {
    byte = static_cast<char>(generator() & 0xff);
  }
  return bytes;
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::set<std::string> NamesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

bool NameAppears(const std::filesystem::path& folder, const PathString& prefix) {
  std::error_code ignored;
  for (std::filesystem::directory_iterator entry(folder, ignored), end; entry != end;
       entry.increment(ignored)) {
    if (entry->path().filename().native().rfind(prefix, 0) == 0) {
      return true;
    }
  }
  return false;
}

std::string StreamContent(std::FILE* stream) {
  std::fflush(stream);
  std::rewind(stream);
  std::string content;
  char block[4096];
  std::size_t got;
  while ((got = std::fread(block, 1, sizeof block, stream)) > 0) {
    content.append(block, got);
  }
  return content;
}
