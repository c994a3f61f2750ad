// Windows durable appends: FILE_APPEND_DATA writes, each followed by FlushFileBuffers.
#include "platform/durable_file.h"

#include <windows.h>

#include "platform/system_path_win32.h"

int OpenDurable(const PathChar* name, DurableFile* file) {
  const HANDLE handle = CreateFileW(
      SystemPath(name).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return static_cast<int>(GetLastError());
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information) ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
          0) {
    CloseHandle(handle);
    return ERROR_INVALID_PARAMETER;
  }
  file->handle = reinterpret_cast<std::intptr_t>(handle);
  return 0;
}

// Windows says who may change a file through its access lists, which the journal's folder in
// the user's profile keeps to the user; the look at the name is the open's own.
int CheckDurable(const PathChar* name) {
  return GetFileAttributesW(SystemPath(name).c_str()) == INVALID_FILE_ATTRIBUTES
             ? static_cast<int>(GetLastError())
             : 0;
}

int AppendDurably(DurableFile& file, const std::string& bytes) {
  const HANDLE handle = reinterpret_cast<HANDLE>(file.handle);
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                   nullptr)) {
      return static_cast<int>(GetLastError());
    }
    if (written == 0) {
      return ERROR_WRITE_FAULT;
    }
    done += written;
  }
  return FlushFileBuffers(handle) ? 0 : static_cast<int>(GetLastError());
}

void CloseDurable(DurableFile* file) {
  if (file->handle != -1) {
    CloseHandle(reinterpret_cast<HANDLE>(file->handle));
    file->handle = -1;
  }
}
