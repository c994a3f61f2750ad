// Names as the console shows them. A name may hold any character but the separator, and a
// terminal takes some of them as orders: a line feed or a carriage return starts a line over, an
// escape (or its one-character form, U+009B) moves the cursor or clears the line, and the marks
// of writing direction turn a line around. A file that a plan removes could then read as "keep".
#pragma once

#include "platform/path_text.h"

/// `path` with every character that a terminal could take as an order, or draws as nothing,
/// written as an escape that it shows: a line feed, a tab and a carriage return as \n, \t and \r,
/// any other control character (C0 or DEL) and a byte that is no UTF-8 (POSIX) as \xNN, and a C1
/// control, a mark of writing direction, a line or paragraph separator, a zero-width or other
/// format or default-ignorable character and a lone surrogate (Windows) as \u{NNNN}. A backslash
/// in a name (POSIX, where it is no separator) is \\, so no name reads as another's escape.
/// Every other character is itself. For the console only: the saved plan, the page's data and
/// export keep every byte of a name.
PathString ShownPath(const PathString& path);
