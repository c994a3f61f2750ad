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

/// The full "\\?\" path of a path that dupscan printed: where it starts (a drive, a share, the
/// working folder) made full by Win32's rules, then every name taken exactly as written, as the
/// listing gave it, so that "sub." and "con" are the folders of those names, never "sub" or the
/// console. "." and ".." step as Win32 steps them and '/' separates as '\' does: no listed name
/// is either. A path already in the "\\?\" form is returned as it is.
PathString ListedPath(const PathString& path);

/// The length of the volume's part of a full "\\?\" path: "\\?\C:\" or "\\?\UNC\server\share\".
std::size_t VolumeLength(const PathString& full);
