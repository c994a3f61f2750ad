#include <fstream>

#include "tidy/act/step_kill_write.h"

bool WriteInPlace(const std::filesystem::path& path, const char* bytes, std::size_t size) {
  // In and out together: the file is neither made nor cut short.
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  return file.is_open() && file.write(bytes, static_cast<std::streamsize>(size)) && file.flush();
}
