#include "report/format_size.h"

#include <cstdio>

#include "output_texts.h"

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
    std::snprintf(SizeTextBuffer, sizeof SizeTextBuffer, kSizeInBytes,
                  static_cast<long long>(size));
  } else if (size < kMegabyte) {
    std::snprintf(SizeTextBuffer, sizeof SizeTextBuffer, kSizeInKilobytes,
                  static_cast<double>(size) / kUnitDivisor);
  } else if (size < kGigabyte) {
    std::snprintf(SizeTextBuffer, sizeof SizeTextBuffer, kSizeInMegabytes,
                  static_cast<double>(size / kKilobyte) / kUnitDivisor);
  } else {
    std::snprintf(SizeTextBuffer, sizeof SizeTextBuffer, kSizeInGigabytes,
                  static_cast<double>(size / kMegabyte) / kUnitDivisor);
  }
  return SizeTextBuffer;
}
