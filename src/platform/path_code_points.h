// Path text as Unicode code points and back, losslessly, for text that must be Unicode (JSON,
// the journal) and for the report, which is UTF-8 on Windows. dupscan itself never links this.
#pragma once

#include <cstddef>
#include <string>

#include "platform/path_text.h"

/// Unicode's surrogates, which stand for no character of their own, and its last code point.
inline constexpr char32_t kSurrogateFirst = 0xD800;
inline constexpr char32_t kSurrogateLast = 0xDFFF;
inline constexpr char32_t kLastCodePoint = 0x10FFFF;

/// The path as code points. POSIX: its bytes as UTF-8, each byte that is not part of valid UTF-8
/// as U+DC00 plus the byte (U+DC80 to U+DCFF, the "surrogate escape"), which valid UTF-8 never
/// gives. Windows: its UTF-16, a surrogate without its partner as itself.
std::u32string PathCodePoints(const PathString& path);

/// The inverse of PathCodePoints: PathFromCodePoints(PathCodePoints(p)) is p for every path.
/// False for code points no path gives (a surrogate other than U+DC80 to U+DCFF on POSIX, a NUL,
/// a value above U+10FFFF).
bool PathFromCodePoints(const std::u32string& points, PathString* path);

/// The path a line of dupscan's report names, without its line end. POSIX: the line's bytes.
/// Windows: the line's UTF-8 (a lone surrogate written as its three bytes, as the report does),
/// a final CR dropped; false when the bytes are no such text.
bool PathFromReportLine(const char* bytes, std::size_t length, PathString* path);

/// Appends the UTF-8 bytes of `point`, a lone surrogate's three bytes included.
void AppendUtf8(char32_t point, std::string* bytes);

/// Decodes one UTF-8 sequence at `bytes` (at most `length` of them) into `point`; surrogates are
/// taken only when `allowSurrogates`. Returns the bytes it took, 0 when they are no such sequence.
std::size_t DecodeUtf8(const char* bytes, std::size_t length, bool allowSurrogates,
                       char32_t* point);
