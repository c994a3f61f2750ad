// --exclude patterns: '*' any run of characters (separators included), '?' any one; letters
// match as the system matches names, in any case on Windows.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/path_text.h"

/// True when the whole of `text` (of `length` characters) matches `pattern`.
bool GlobMatches(const PathString& pattern, const PathChar* text, std::size_t length);

/// The path as the check reads it, by its names alone: empty names and "." dropped, and a name
/// followed by ".." dropped with it ("a//b/./c/../d" is "a/b/d").
PathString LexicalPath(const PathString& path);

/// True when one of `patterns` matches the path as the report writes it, or as it names the file
/// the check reaches: its LexicalPath, and on Windows with 8.3 names as their long ones. A line
/// that spells a file otherwise than dupscan would still meets the pattern that names it.
bool ExcludedPath(const std::vector<PathString>& patterns, const PathString& path);
