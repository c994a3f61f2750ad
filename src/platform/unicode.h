// Unicode's encodings as the programs meet them, each rule written once: UTF-8 one sequence at a
// time (the report on Windows, JSON, POSIX names), and UTF-16's surrogate pairs (Windows names,
// JSON's escapes). No system call: both platforms and both programs use it.
#pragma once

#include <cstddef>
#include <string>

/// Unicode's surrogates, which stand for no character of their own: the high ones first, then
/// the low ones; then the first code point a pair stands for, and the last code point.
inline constexpr char32_t kSurrogateFirst = 0xD800;
inline constexpr char32_t kLowSurrogateFirst = 0xDC00;
inline constexpr char32_t kSurrogateLast = 0xDFFF;
inline constexpr char32_t kSupplementaryFirst = 0x10000;
inline constexpr char32_t kLastCodePoint = 0x10FFFF;

inline bool IsSurrogate(char32_t unit) { return unit >= kSurrogateFirst && unit <= kSurrogateLast; }
inline bool IsHighSurrogate(char32_t unit) {
  return unit >= kSurrogateFirst && unit < kLowSurrogateFirst;
}
inline bool IsLowSurrogate(char32_t unit) {
  return unit >= kLowSurrogateFirst && unit <= kSurrogateLast;
}

/// The code point a high and a low surrogate stand for together.
char32_t JoinSurrogates(char32_t high, char32_t low);

/// The two surrogates of a code point from kSupplementaryFirst to kLastCodePoint.
void SplitSurrogates(char32_t point, char32_t* high, char32_t* low);

/// The code point at `units[*index]` of UTF-16 text (`size` units): a high and a low surrogate
/// joined, a surrogate without its partner as itself. Moves `*index` past what it took.
char32_t TakeUtf16Point(const wchar_t* units, std::size_t size, std::size_t* index);

/// Appends the UTF-8 bytes of `point`, a lone surrogate's three bytes included.
void AppendUtf8(char32_t point, std::string* bytes);

/// Decodes one UTF-8 sequence at `bytes` (at most `length` of them) into `point`; surrogates are
/// taken only when `allowSurrogates`. Returns the bytes it took, 0 when they are no such sequence.
std::size_t DecodeUtf8(const char* bytes, std::size_t length, bool allowSurrogates,
                       char32_t* point);
