#include "support/rewrite_on_open.h"

#include <chrono>
#include <fstream>

void RewriteInPlace(const std::filesystem::path& file, const std::string& bytes) {
  const auto written = std::filesystem::last_write_time(file);
  std::ofstream(file, std::ios::binary | std::ios::in | std::ios::out) << bytes;
  std::filesystem::last_write_time(file, written + std::chrono::seconds(1));
}

OpenHook RewriteAtOpenOf(const std::filesystem::path& trigger, const std::filesystem::path& file,
                         const std::string& bytes) {
  return OpenHook([trigger, file, bytes](const PathChar* path) {
    if (PathString(path) == trigger.native()) {
      RewriteInPlace(file, bytes);
    }
  });
}
