// FormatSize of any 64-bit count: the unit its range calls for, two decimals, and a value within
// half a hundredth of the exact quotient (ties may round either way). Input: 8 bytes, the count.
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "report/format_size.h"

namespace {

void Fail(std::int64_t size, const char* text, const char* why) {
  std::fprintf(stderr, "FormatSize(%" PRId64 ") = \"%s\": %s\n", size, text, why);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint64_t bits = 0;
  if (size > 0) {
    std::memcpy(&bits, data, size < sizeof bits ? size : sizeof bits);
  }
  const std::int64_t count = static_cast<std::int64_t>(bits);
  const std::string formatted = FormatSize(count);
  const char* text = formatted.c_str();
  if (std::strlen(text) > 40) {
    Fail(count, text, "longer than any size text can be");
  }
  if (count < 1024) {
    if (std::string(text) != std::to_string(count) + " bytes") {
      Fail(count, text, "expected the count itself and \" bytes\"");
    }
    return 0;
  }
  // Each unit divides the whole count of the unit below it, the bytes under it dropped.
  const char* unit = "KB";
  double exact = static_cast<double>(count) / 1024;
  if (count >= (std::int64_t{1} << 30)) {
    unit = "GB";
    exact = static_cast<double>(count >> 20) / 1024;
  } else if (count >= (std::int64_t{1} << 20)) {
    unit = "MB";
    exact = static_cast<double>(count >> 10) / 1024;
  }
  double shown = 0;
  char shownUnit[3] = {};
  int consumed = 0;
  if (std::sscanf(text, "%lf %2s%n", &shown, shownUnit, &consumed) != 2 ||
      consumed != static_cast<int>(std::strlen(text))) {
    Fail(count, text, "not \"<number> <unit>\"");
  }
  if (std::strcmp(shownUnit, unit) != 0) {
    Fail(count, text, unit);
  }
  const char* point = std::strchr(text, '.');
  if (point == nullptr || std::strlen(point) != 3 + 3) {  // ".dd" then " KB"
    Fail(count, text, "not two decimals");
  }
  if (std::fabs(shown - exact) > 0.005 + exact * 1e-15) {
    Fail(count, text, "value off by more than the rounding");
  }
  return 0;
}
