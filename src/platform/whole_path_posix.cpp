// The whole path opened with openat2 and RESOLVE_NO_SYMLINKS: the kernel refuses a link anywhere
// on the way, as the walk's O_NOFOLLOW at each name does, in one system call instead of three a
// folder. The folders above are found through "..", which the kernel never takes for a link.
#include "platform/whole_path.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#ifdef SYS_openat2
#include <linux/openat2.h>
#endif

#include <algorithm>
#include <string>
#include <utility>

#include "platform/file_state_posix.h"

namespace {

// The ".." of one call: three bytes each, well inside the longest path a call takes.
constexpr std::size_t kLevelsPerCall = 1000;

int OpenWhole(const char* path, int flags) {
#ifdef SYS_openat2
  struct open_how how = {};
  how.flags = static_cast<unsigned>(flags);
  how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  return static_cast<int>(syscall(SYS_openat2, AT_FDCWD, path, &how, sizeof how));
#else
  (void)path;
  (void)flags;
  errno = ENOSYS;
  return -1;
#endif
}

}  // namespace

bool HoldWholePath(const PathString& folder, HeldFolder* held) {
  const char* path = folder.empty() ? "." : folder.c_str();
  int descriptor = OpenWhole(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0 && errno == EACCES) {
    // A folder one may search but not list, as the walk holds it.
    descriptor = OpenWhole(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  if (descriptor < 0) {
    return false;
  }
  HeldFolder whole;
  whole.handle = descriptor;
  whole.chain.resize(1);
  whole.names.resize(1);
  if (!IdentityOfOpen(descriptor, &whole.chain.back())) {
    return false;
  }
  *held = std::move(whole);
  return true;
}

bool IdentityAbove(const HeldFolder& held, std::size_t levels, FileIdentity* identity) {
  int at = static_cast<int>(held.handle);
  int opened = -1;
  while (levels > 0) {
    const std::size_t count = std::min(levels, kLevelsPerCall);
    std::string up;
    for (std::size_t level = 0; level < count; ++level) {
      up += level == 0 ? ".." : "/..";
    }
    const int above = openat(at, up.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (opened >= 0) {
      close(opened);
    }
    if (above < 0) {
      return false;
    }
    at = opened = above;
    levels -= count;
  }
  const bool known = IdentityOfOpen(at, identity);
  if (opened >= 0) {
    close(opened);
  }
  return known;
}
