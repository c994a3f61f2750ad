// Windows only: the full paths by which a held folder's entries are reached.
#pragma once

#include <windows.h>

#include "platform/handle_name_win32.h"
#include "platform/held_folder.h"

/// The full "\\?\" path of the entry `name` in `folder`.
inline PathString EntryPath(const HeldFolder& folder, const PathString& name) {
  PathString path = folder.systemPath;
  if (!path.empty() && path.back() != L'\\') {
    path.push_back(L'\\');
  }
  return path + name;
}

/// Whether `handle`, opened as the entry `name` of `folder`, is that entry itself and not what a
/// link there leads to (see IsNamedEntry).
inline bool OpenedAsEntry(const HeldFolder& folder, HANDLE handle, const PathString& name) {
  return IsNamedEntry(HandleName(handle), folder.systemName, EntryPath(folder, name), name);
}
