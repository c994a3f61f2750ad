// Windows code points: a path is UTF-16 that the system never checks, so a surrogate may stand
// alone; the report is UTF-8 in which such a surrogate has its three bytes.
#include "platform/path_code_points.h"

#include <windows.h>

std::u32string PathCodePoints(const PathString& path) {
  std::u32string points;
  points.reserve(path.size());
  for (std::size_t index = 0; index < path.size();) {
    points.push_back(TakeUtf16Point(path.data(), path.size(), &index));
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
      char32_t high = 0;
      char32_t low = 0;
      SplitSurrogates(point, &high, &low);
      path->push_back(static_cast<wchar_t>(high));
      path->push_back(static_cast<wchar_t>(low));
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

// Every short alias holds a tilde, and most paths none: those are not looked up.
PathString LongNamesOf(const PathString& path) {
  if (path.find(L'~') == PathString::npos) {
    return PathString();
  }
  PathString longer(kPathCapacity, L'\0');
  const DWORD written =
      GetLongPathNameW(path.c_str(), &longer[0], static_cast<DWORD>(longer.size()));
  if (written == 0 || written >= longer.size()) {
    return PathString();
  }
  longer.resize(written);
  return longer == path ? PathString() : longer;
}
