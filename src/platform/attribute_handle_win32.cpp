// Windows only: the one open for attributes that files, folders and the report share.
#include "platform/attribute_handle_win32.h"

#include "platform/system_path_win32.h"

HANDLE OpenForAttributes(const PathString& path, bool followLink) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     flags, nullptr);
}
