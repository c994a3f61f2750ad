// Files that are no regular file, for the hostile tests, and a watch that proves they were never
// opened.
#pragma once

#include <filesystem>
#include <set>
#include <string>

/// Every open of an entry of one folder while the watch lives, through inotify: the proof that
/// a special file was never opened, rather than opened and then refused.
class OpenWatch {
 public:
  explicit OpenWatch(const std::filesystem::path& folder);
  ~OpenWatch();
  OpenWatch(const OpenWatch&) = delete;
  OpenWatch& operator=(const OpenWatch&) = delete;

  bool Watching() const { return watching_; }

  /// The names among `names` that were opened since the watch began.
  std::set<std::string> OpenedAmong(const std::set<std::string>& names);

 private:
  int descriptor_;
  bool watching_ = false;
};

/// Binds a Unix socket at `path` and leaves its node behind when the descriptor closes.
bool MakeSocketNode(const std::filesystem::path& path);

/// The device of /dev/zero under another name: a file that never ends if anyone reads it.
/// Returns 0 or the error code (making a device needs root with CAP_MKNOD).
int MakeZeroDevice(const std::filesystem::path& path);
