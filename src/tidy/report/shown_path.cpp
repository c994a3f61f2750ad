#include "tidy/report/shown_path.h"

#include "platform/path_code_points.h"

namespace {

// The marks of writing direction (which a terminal that lays out right-to-left text obeys), the
// line and paragraph separators, the C1 controls and the surrogates that stand for no character.
bool Hidden(char32_t point) {
  return point < 0x20 || (point >= 0x7f && point <= 0x9f) || point == 0x61c || point == 0x200e ||
         point == 0x200f || point == 0x2028 || point == 0x2029 ||
         (point >= 0x202a && point <= 0x202e) || (point >= 0x2066 && point <= 0x2069) ||
         (point >= 0xd800 && point <= 0xdfff);
}

void AppendHex(char32_t value, int digits, std::u32string* text) {
  for (int digit = digits - 1; digit >= 0; --digit) {
    text->push_back(U"0123456789abcdef"[(value >> (4 * digit)) & 0xf]);
  }
}

void AppendEscape(char32_t point, std::u32string* text) {
  switch (point) {
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
    if (Hidden(point)) {
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
