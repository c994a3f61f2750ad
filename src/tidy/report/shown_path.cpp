#include "tidy/report/shown_path.h"

#include "platform/path_code_points.h"

namespace {

// The C0 and C1 controls, the line and paragraph separators, the surrogates that stand for no
// character, and every character a terminal draws as nothing: the marks of writing direction
// (which a terminal that lays out right-to-left text obeys), the zero-width ones, the other
// format characters and the rest of Unicode's default-ignorable ones. Shown as themselves, "z"
// and "z" with a zero-width space read alike.
struct Range {
  char32_t first;
  char32_t last;
};
constexpr Range kHiddenRanges[] = {
    {0x00, 0x1f},       {0x7f, 0x9f},       {0xad, 0xad},       {0x34f, 0x34f},
    {0x600, 0x605},     {0x61c, 0x61c},     {0x6dd, 0x6dd},     {0x70f, 0x70f},
    {0x890, 0x891},     {0x8e2, 0x8e2},     {0x115f, 0x1160},   {0x17b4, 0x17b5},
    {0x180b, 0x180f},   {0x200b, 0x200f},   {0x2028, 0x202e},   {0x2060, 0x206f},
    {0x3164, 0x3164},   {0xd800, 0xdfff},   {0xfe00, 0xfe0f},   {0xfeff, 0xfeff},
    {0xffa0, 0xffa0},   {0xfff0, 0xfffb},   {0x110bd, 0x110bd}, {0x110cd, 0x110cd},
    {0x13430, 0x1343f}, {0x1bca0, 0x1bca3}, {0x1d173, 0x1d17a}, {0xe0000, 0xe0fff},
};

bool Hidden(char32_t point) {
  for (const Range& range : kHiddenRanges) {
    if (point >= range.first && point <= range.last) {
      return true;
    }
  }
  return false;
}

void AppendHex(char32_t value, int digits, std::u32string* text) {
  for (int digit = digits - 1; digit >= 0; --digit) {
    text->push_back(U"0123456789abcdef"[(value >> (4 * digit)) & 0xf]);
  }
}

void AppendEscape(char32_t point, std::u32string* text) {
  switch (point) {
    case U'\\':
      *text += U"\\\\";
      return;
    case U'\n':
      *text += U"\\n";
      return;
    case U'\t':
      *text += U"\\t";
      return;
    case U'\r':
      *text += U"\\r";
      return;
    default:
      break;
  }
  // POSIX paths are bytes: one that is no UTF-8 comes as U+DC80 to U+DCFF (see PathCodePoints).
  const bool byte = sizeof(PathChar) == 1 && point >= 0xdc80 && point <= 0xdcff;
  if (point < 0x80 || byte) {
    *text += U"\\x";
    AppendHex(byte ? point - 0xdc00 : point, 2, text);
  } else {
    *text += U"\\u{";
    AppendHex(point, 4, text);
    text->push_back(U'}');
  }
}

}  // namespace

PathString ShownPath(const PathString& path) {
  const std::u32string points = PathCodePoints(path);
  std::u32string shown;
  bool changed = false;
  for (const char32_t point : points) {
    if (Hidden(point) || (point == U'\\' && kPathSeparator != PATH_TEXT('\\'))) {
      AppendEscape(point, &shown);
      changed = true;
    } else {
      shown.push_back(point);
    }
  }
  if (!changed) {
    return path;
  }
  PathString text;
  PathFromCodePoints(shown, &text);  // every code point it cannot take was escaped
  return text;
}
