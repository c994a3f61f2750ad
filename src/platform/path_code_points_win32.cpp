// Windows code points: a path is UTF-16 that the system never checks, so a surrogate may stand
// alone; the report is UTF-8 in which such a surrogate has its three bytes.
#include "platform/path_code_points.h"

namespace {
constexpr char32_t kHighSurrogateFirst = 0xD800;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kLowSurrogateLast = 0xDFFF;
constexpr char32_t kSupplementaryFirst = 0x10000;
constexpr int kSurrogateBits = 10;
constexpr char32_t kLowBits = 0x3FF;

bool IsHigh(char32_t unit) { return unit >= kHighSurrogateFirst && unit < kLowSurrogateFirst; }
bool IsLow(char32_t unit) { return unit >= kLowSurrogateFirst && unit <= kLowSurrogateLast; }
}  // namespace

std::u32string PathCodePoints(const PathString& path) {
  std::u32string points;
  points.reserve(path.size());
  for (std::size_t index = 0; index < path.size(); ++index) {
    char32_t unit = static_cast<char16_t>(path[index]);
    if (IsHigh(unit) && index + 1 < path.size() && IsLow(static_cast<char16_t>(path[index + 1]))) {
      unit = kSupplementaryFirst + ((unit - kHighSurrogateFirst) << kSurrogateBits) +
             (static_cast<char16_t>(path[index + 1]) - kLowSurrogateFirst);
      ++index;
    }
    points.push_back(unit);
  }
  return points;
}

bool PathFromCodePoints(const std::u32string& points, PathString* path) {
  path->clear();
  for (const char32_t point : points) {
    if (point == 0 || point > kLastCodePoint) {
      return false;
    }
    if (point >= kSupplementaryFirst) {
      path->push_back(static_cast<wchar_t>(kHighSurrogateFirst +
                                           ((point - kSupplementaryFirst) >> kSurrogateBits)));
      path->push_back(
          static_cast<wchar_t>(kLowSurrogateFirst + ((point - kSupplementaryFirst) & kLowBits)));
    } else {
      path->push_back(static_cast<wchar_t>(point));
    }
  }
  return true;
}

bool PathFromReportLine(const char* bytes, std::size_t length, PathString* path) {
  // The report's lines end in CR LF; no Windows name holds a CR.
  if (length > 0 && bytes[length - 1] == '\r') {
    --length;
  }
  std::u32string points;
  std::size_t position = 0;
  while (position < length) {
    char32_t point = 0;
    const std::size_t taken = DecodeUtf8(bytes + position, length - position, true, &point);
    if (taken == 0) {
      return false;
    }
    points.push_back(point);
    position += taken;
  }
  return PathFromCodePoints(points, path);
}
