// Native path text: bytes on POSIX, UTF-16 on Windows. Everything above the platform layer
// handles paths only through these names, so the two builds share every line of the search.
#pragma once

#include <cstddef>
#include <string>

#ifdef _WIN32
using PathChar = wchar_t;
#define PATH_TEXT_PASTE(text) L##text
/// printf conversion letters for a PathChar string inside a console or report format.
#define PATH_ARG "ls"
/// The user's profile folder, as the default roots name it.
#define PROFILE_FOLDER "%USERPROFILE%\\"
#else
using PathChar = char;
#define PATH_TEXT_PASTE(text) text
#define PATH_ARG "s"
#define PROFILE_FOLDER "%HOME%/"
#endif

/// A PathChar literal: PATH_TEXT("duplicates.txt"). Macros inside the text are expanded first.
#define PATH_TEXT(text) PATH_TEXT_PASTE(text)

using PathString = std::basic_string<PathChar>;

#ifdef _WIN32
constexpr PathChar kPathSeparator = L'\\';
/// Every character that ends a name in a path, for find_first_of.
constexpr PathChar kPathSeparators[] = L"\\/";
#else
constexpr PathChar kPathSeparator = '/';
constexpr PathChar kPathSeparators[] = "/";
#endif

/// The longest path Windows takes, in UTF-16 units with the terminator (its "\\?\" form). A
/// root's %NAME% expansion is cut to one less, on both platforms; the paths the walk builds have
/// no such bound, and one too long for the system fails with the system's own code.
constexpr std::size_t kPathCapacity = 32767;
