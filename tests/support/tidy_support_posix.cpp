#include <sys/stat.h>
#include <unistd.h>

#include "support/run_program.h"
#include "support/tidy_expected_texts.h"
#include "support/tidy_support.h"

namespace {
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
}  // namespace

bool NamesHoldLineFeeds() { return true; }

std::string SwapForLink(const std::filesystem::path& path, const std::filesystem::path& target) {
  std::filesystem::remove(path);
  std::filesystem::create_symlink(target, path);
  return kTidyIsLink;
}

bool MakeUnremovable(const std::filesystem::path& root, const std::filesystem::path& file) {
  chmod(file.parent_path().c_str(), 0555);
  // Root ignores a folder's permissions: the tree goes to nobody, who then runs the program.
  if (!CanRunUnprivileged()) {
    return false;
  }
  lchown(root.c_str(), kNobody, kNoGroup);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    lchown(entry.path().c_str(), kNobody, kNoGroup);
  }
  return true;
}

bool PlanForeseesUnremovable() { return false; }

std::string UnremovableLineStart(const std::string& path) {
  std::string line = TidySkippedLine(path, kTidySystemRefused);
  line.back() = ':';
  return line;
}

std::string IdentityText(const std::filesystem::path& path) {
  struct stat status {};
  lstat(path.c_str(), &status);
  return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

OddName OddExportName() { return {"odd/a\"b\\c\t\xff.bin", "odd/a\\\"b\\\\c\\u0009\\udcff.bin"}; }
