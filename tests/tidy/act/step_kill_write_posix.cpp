#include <fcntl.h>
#include <unistd.h>

#include "tidy/act/step_kill_write.h"

bool WriteInPlace(const std::filesystem::path& path, const char* bytes, std::size_t size) {
  const int descriptor = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) {
    return false;
  }
  const bool written = pwrite(descriptor, bytes, size, 0) == static_cast<ssize_t>(size);
  return close(descriptor) == 0 && written;
}
