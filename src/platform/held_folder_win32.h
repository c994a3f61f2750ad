// Windows only: the full paths by which a held folder's entries are reached.
#pragma once

#include "platform/held_folder.h"

/// The full "\\?\" path of the entry `name` in `folder`.
inline PathString EntryPath(const HeldFolder& folder, const PathString& name) {
  PathString path = folder.systemPath;
  if (!path.empty() && path.back() != L'\\') {
    path.push_back(L'\\');
  }
  return path + name;
}
