#include "tidy/report/glob_match.h"

#include "platform/held_folder.h"

// The classic two-pointer match: on a mismatch after a '*', that '*' takes one more character.
// Linear in practice, and never recursive, so no pattern can exhaust the stack.
bool GlobMatches(const PathString& pattern, const PathChar* text, std::size_t length) {
  std::size_t at = 0;
  std::size_t in = 0;
  std::size_t star = PathString::npos;
  std::size_t starAt = 0;
  while (at < length) {
    if (in < pattern.size() &&
        (pattern[in] == PATH_TEXT('?') || SameNameCharacter(pattern[in], text[at]))) {
      ++in;
      ++at;
    } else if (in < pattern.size() && pattern[in] == PATH_TEXT('*')) {
      star = in++;
      starAt = at;
    } else if (star != PathString::npos) {
      in = star + 1;
      at = ++starAt;
    } else {
      return false;
    }
  }
  while (in < pattern.size() && pattern[in] == PATH_TEXT('*')) {
    ++in;
  }
  return in == pattern.size();
}
