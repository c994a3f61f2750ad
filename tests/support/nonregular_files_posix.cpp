#include "support/nonregular_files_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

OpenWatch::OpenWatch(const std::filesystem::path& folder)
    : descriptor_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  watching_ = descriptor_ >= 0 && inotify_add_watch(descriptor_, folder.c_str(), IN_OPEN) >= 0;
}

OpenWatch::~OpenWatch() {
  if (descriptor_ >= 0) {
    close(descriptor_);
  }
}

std::set<std::string> OpenWatch::OpenedAmong(const std::set<std::string>& names) {
  std::set<std::string> opened;
  alignas(inotify_event) char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = read(descriptor_, buffer, sizeof buffer);
    if (got <= 0) {
      break;
    }
    for (ssize_t at = 0; at < got;) {
      const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0 && names.count(event->name) != 0) {
        opened.insert(event->name);
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return opened;
}

bool MakeSocketNode(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string text = path.string();
  if (text.size() >= sizeof address.sun_path) {
    return false;
  }
  text.copy(address.sun_path, text.size());
  const int unixSocket = socket(AF_UNIX, SOCK_STREAM, 0);
  const bool bound =
      bind(unixSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(unixSocket);
  return bound;
}

int MakeZeroDevice(const std::filesystem::path& path) {
  return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0 ? 0 : errno;
}
