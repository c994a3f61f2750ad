// Windows only: a handle opened to ask the system about a path, never to read it.
#pragma once

#include <windows.h>

#include "platform/path_text.h"

/// Opens `path` for its attributes alone, the way the system's own tools ask: no read access is
/// asked for, so a file shared for no reading still answers, and every sharing mode is allowed,
/// so no other program's open is disturbed. A folder opens too. A link or junction answers as
/// itself unless `followLink`. INVALID_HANDLE_VALUE when the system refuses (GetLastError says
/// why); the caller closes the handle.
HANDLE OpenForAttributes(const PathString& path, bool followLink = false);
