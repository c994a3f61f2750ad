// POSIX code points: a path is bytes, mostly UTF-8; the bytes that are not are escaped.
#include "platform/path_code_points.h"

namespace {
constexpr char32_t kEscapeBase = kLowSurrogateFirst;
constexpr char32_t kEscapeFirst = 0xDC80;
constexpr char32_t kEscapeLast = 0xDCFF;
}  // namespace

std::u32string PathCodePoints(const PathString& path) {
  std::u32string points;
  points.reserve(path.size());
  std::size_t position = 0;
  while (position < path.size()) {
    char32_t point = 0;
    const std::size_t taken =
        DecodeUtf8(path.data() + position, path.size() - position, false, &point);
    if (taken == 0) {
      points.push_back(kEscapeBase + static_cast<unsigned char>(path[position]));
      ++position;
    } else {
      points.push_back(point);
      position += taken;
    }
  }
  return points;
}

bool PathFromCodePoints(const std::u32string& points, PathString* path) {
  path->clear();
  for (const char32_t point : points) {
    if (point >= kEscapeFirst && point <= kEscapeLast) {
      path->push_back(static_cast<char>(point - kEscapeBase));
    } else if (point == 0 || point > kLastCodePoint || IsSurrogate(point)) {
      return false;
    } else {
      AppendUtf8(point, path);
    }
  }
  return true;
}

bool PathFromReportLine(const char* bytes, std::size_t length, PathString* path) {
  // Bytes as they are: a name may end in a carriage return, which is no line end here.
  path->assign(bytes, length);
  return true;
}

PathString LongNamesOf(const PathString& /*path*/) { return PathString(); }
