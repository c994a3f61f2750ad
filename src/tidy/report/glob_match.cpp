#include "tidy/report/glob_match.h"

#include <cstdint>
#include <type_traits>

#include "platform/held_folder.h"
#include "platform/path_code_points.h"

namespace {

bool Between(std::uint32_t unit, std::uint32_t low, std::uint32_t high) {
  return unit >= low && unit <= high;
}

// The units of UTF-8 one character takes: a lead byte and the continuation bytes its value
// allows (no overlong form, no surrogate, nothing past U+10FFFF); any other byte is one
// character of its own, as a name may hold bytes that are no UTF-8 at all.
std::size_t Utf8Length(const unsigned char* text, std::size_t left) {
  const std::uint32_t lead = text[0];
  std::size_t length = 1;
  std::uint32_t low = 0x80;  // the range of the first continuation byte
  std::uint32_t high = 0xBF;
  if (Between(lead, 0xC2, 0xDF)) {
    length = 2;
  } else if (Between(lead, 0xE0, 0xEF)) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (Between(lead, 0xF0, 0xF4)) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  }
  if (length > left) {
    return 1;
  }
  for (std::size_t index = 1; index < length; ++index) {
    if (!Between(text[index], index == 1 ? low : 0x80, index == 1 ? high : 0xBF)) {
      return 1;
    }
  }
  return length;
}

// The units of one character: a code point of UTF-8 where a path is bytes, of UTF-16 where it
// is wide (a surrogate pair is one character; a lone surrogate is one of its own).
template <typename Char>
std::size_t CharacterLength(const Char* text, std::size_t left) {
  using Unit = std::make_unsigned_t<Char>;
  if (sizeof(Char) == 1) {
    return Utf8Length(reinterpret_cast<const unsigned char*>(text), left);
  }
  const std::uint32_t unit = static_cast<Unit>(text[0]);
  return left >= 2 && Between(unit, 0xD800, 0xDBFF) &&
                 Between(static_cast<Unit>(text[1]), 0xDC00, 0xDFFF)
             ? 2
             : 1;
}

}  // namespace

// The classic two-pointer match: on a mismatch after a '*', that '*' takes one more character.
// Linear in practice, and never recursive, so no pattern can exhaust the stack. '?' and '*' take
// whole characters, so a name's letter of two bytes (or a surrogate pair) is one '?'.
bool GlobMatches(const PathString& pattern, const PathChar* text, std::size_t length) {
  std::size_t at = 0;
  std::size_t in = 0;
  std::size_t star = PathString::npos;
  std::size_t starAt = 0;
  while (at < length) {
    if (in < pattern.size() && pattern[in] == PATH_TEXT('?')) {
      ++in;
      at += CharacterLength(text + at, length - at);
    } else if (in < pattern.size() && pattern[in] != PATH_TEXT('*') &&
               SameNameCharacter(pattern[in], text[at])) {
      ++in;
      ++at;
    } else if (in < pattern.size() && pattern[in] == PATH_TEXT('*')) {
      star = in++;
      starAt = at;
    } else if (star != PathString::npos) {
      in = star + 1;
      starAt += CharacterLength(text + starAt, length - starAt);
      at = starAt;
    } else {
      return false;
    }
  }
  while (in < pattern.size() && pattern[in] == PATH_TEXT('*')) {
    ++in;
  }
  return in == pattern.size();
}

PathString LexicalPath(const PathString& path) {
  std::vector<PathString> names;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find_first_of(kPathSeparators, start);
    if (end == PathString::npos) {
      end = path.size();
    }
    const PathString name = path.substr(start, end - start);
    if (name == PATH_TEXT("..") && !names.empty() && names.back() != PATH_TEXT("..")) {
      names.pop_back();
    } else if (!name.empty() && name != PATH_TEXT(".")) {
      names.push_back(name);
    }
    start = end + 1;
  }
  PathString lexical;
  if (!path.empty() && PathString(kPathSeparators).find(path[0]) != PathString::npos) {
    lexical.push_back(kPathSeparator);
  }
  for (std::size_t index = 0; index < names.size(); ++index) {
    lexical += (index == 0 ? PathString() : PathString(1, kPathSeparator)) + names[index];
  }
  return lexical;
}

bool ExcludedPath(const std::vector<PathString>& patterns, const PathString& path) {
  if (patterns.empty()) {
    return false;
  }
  std::vector<PathString> spellings = {path, LexicalPath(path)};
  const PathString longer = LongNamesOf(path);
  if (!longer.empty()) {
    spellings.push_back(LexicalPath(longer));
  }
  for (const PathString& pattern : patterns) {
    for (const PathString& spelling : spellings) {
      if (GlobMatches(pattern, spelling.c_str(), spelling.size())) {
        return true;
      }
    }
  }
  return false;
}
