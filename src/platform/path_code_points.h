// Path text as Unicode code points and back, losslessly, for text that must be Unicode (JSON,
// the journal) and for the report, which is UTF-8 on Windows. dupscan itself never links this.
#pragma once

#include <cstddef>
#include <string>

#include "platform/path_text.h"
#include "platform/unicode.h"

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

/// The report's path with every name that is a short (8.3) alias of a longer one ("LONGFO~1")
/// written as that longer name: what --exclude also matches, so an alias in a line reaches no file
/// a pattern names by its own name. Empty when it has none or cannot be told (POSIX: always).
PathString LongNamesOf(const PathString& path);
