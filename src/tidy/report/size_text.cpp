#include "tidy/report/size_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "output_texts.h"
#include "report/format_size.h"
#include "tidy/tidy_texts.h"

namespace {

// Below a kibibyte dupscan's size text is the bytes themselves.
constexpr std::int64_t kKibibyte = 1024;
// What the rounded value may differ by: half of the last decimal, and the KB or MB that the
// larger units drop before dividing (1/1024 of the unit).
constexpr double kTolerance = 0.005 + 1.0 / 1024 + 1e-9;

struct Unit {
  const char* format;
  double bytes;
};

constexpr Unit kUnits[] = {
    {kSizeInKilobytes, 1024.0},
    {kSizeInMegabytes, 1024.0 * 1024},
    {kSizeInGigabytes, 1024.0 * 1024 * 1024},
};

// The unit's words after the number: " KB" of "%.2f KB".
const char* UnitWords(const char* format) { return std::strchr(format, ' '); }

bool EndsWith(const std::string& text, const char* end) {
  const std::size_t length = std::strlen(end);
  return text.size() > length && text.compare(text.size() - length, length, end) == 0;
}

// The number before the unit's words, all of it: false when anything else is there.
bool NumberBefore(const std::string& text, std::size_t wordsLength, double* value) {
  const std::string number = text.substr(0, text.size() - wordsLength);
  char* end = nullptr;
  *value = std::strtod(number.c_str(), &end);
  return !number.empty() && end == number.c_str() + number.size();
}

}  // namespace

bool SizeTextFits(const std::string& text, std::int64_t size) {
  const char* bytesWords = UnitWords(kSizeInBytes);
  double value = 0;
  if (EndsWith(text, bytesWords)) {
    return NumberBefore(text, std::strlen(bytesWords), &value) &&
           value == static_cast<double>(size);
  }
  for (const Unit& unit : kUnits) {
    const char* words = UnitWords(unit.format);
    if (EndsWith(text, words)) {
      return NumberBefore(text, std::strlen(words), &value) &&
             std::fabs(static_cast<double>(size) / unit.bytes - value) <= kTolerance;
    }
  }
  return false;
}

std::string SizeWithBytes(std::int64_t bytes) {
  const std::string human = FormatSize(bytes);
  if (bytes < kKibibyte) {
    return human;
  }
  char text[128];
  std::snprintf(text, sizeof text, kSizeWithBytes, human.c_str(), static_cast<long long>(bytes));
  return text;
}
