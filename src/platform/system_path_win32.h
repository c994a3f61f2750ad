// Windows only: the text handed to the system for a path.
#pragma once

#include "platform/path_text.h"

/// The full path of `path` in the "\\?\" form, made with Win32's own rules ('/' and doubled
/// separators, "." and "..", a relative or drive-relative path, a trailing dot or space), so that
/// the system takes every later character literally. A path already in that form is returned as
/// it is, one in the "\\.\" form moved to it, and one that spells the prefix with '/' ("//?/C:/x")
/// made full as Win32 makes it; `path` itself when the system cannot make it full.
PathString VerbatimPath(const PathString& path);

/// `path` itself while it is shorter than the classic MAX_PATH limits, so ordinary paths keep
/// every rule of Win32 path parsing; a longer one as VerbatimPath, which the wide functions
/// accept up to 32,767 characters without the system's long-path opt-in. A path already in the
/// "\\?\" or "\\.\" form is passed through unchanged.
PathString SystemPath(const PathString& path);
