#include "report/format_size.h"

#include <cstdio>

#include "output_texts.h"

namespace {
constexpr std::int64_t kKilobyte = 1024;
constexpr std::int64_t kMegabyte = kKilobyte * 1024;
constexpr std::int64_t kGigabyte = kMegabyte * 1024;
constexpr double kUnitDivisor = 1024.0;

// Far longer than the longest text ("-9223372036854775808 bytes", or a GB value of 13 digits).
constexpr std::size_t kSizeTextCapacity = 64;
}  // namespace

std::string FormatSize(std::int64_t size) {
  char text[kSizeTextCapacity];
  if (size < kKilobyte) {
    std::snprintf(text, sizeof text, kSizeInBytes, static_cast<long long>(size));
  } else if (size < kMegabyte) {
    std::snprintf(text, sizeof text, kSizeInKilobytes, static_cast<double>(size) / kUnitDivisor);
  } else if (size < kGigabyte) {
    std::snprintf(text, sizeof text, kSizeInMegabytes,
                  static_cast<double>(size / kKilobyte) / kUnitDivisor);
  } else {
    std::snprintf(text, sizeof text, kSizeInGigabytes,
                  static_cast<double>(size / kMegabyte) / kUnitDivisor);
  }
  return text;
}
