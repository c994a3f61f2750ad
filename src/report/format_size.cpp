#include "report/format_size.h"

#include <cstdio>

namespace {
constexpr std::int64_t kKilobyte = 1024;
constexpr std::int64_t kMegabyte = kKilobyte * 1024;
constexpr std::int64_t kGigabyte = kMegabyte * 1024;
constexpr double kUnitDivisor = 1024.0;

// Far longer than the longest text ("-9223372036854775808 bytes", or a GB value of 13 digits).
char SizeTextBuffer[1024];
}  // namespace

const char* FormatSize(std::int64_t size) {
  if (size < kKilobyte) {
    std::snprintf(SizeTextBuffer, sizeof SizeTextBuffer, "%lld bytes",
                  static_cast<long long>(size));
  } else if (size < kMegabyte) {
    std::snprintf(SizeTextBuffer, sizeof SizeTextBuffer, "%.2f KB",
                  static_cast<double>(size) / kUnitDivisor);
  } else if (size < kGigabyte) {
    std::snprintf(SizeTextBuffer, sizeof SizeTextBuffer, "%.2f MB",
                  static_cast<double>(size / kKilobyte) / kUnitDivisor);
  } else {
    std::snprintf(SizeTextBuffer, sizeof SizeTextBuffer, "%.2f GB",
                  static_cast<double>(size / kMegabyte) / kUnitDivisor);
  }
  return SizeTextBuffer;
}
