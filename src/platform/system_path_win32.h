// Windows only: the text handed to the system for a path the search built.
#pragma once

#include "platform/path_text.h"

/// `path` itself while it is shorter than the classic MAX_PATH limits, so ordinary paths keep
/// every rule of Win32 path parsing. A longer one becomes its full path in the "\\?\" form, which
/// the wide functions accept up to 32,767 characters without the system's long-path opt-in. A
/// path already in the "\\?\" or "\\.\" form is passed through unchanged.
PathString SystemPath(const PathString& path);
