// Windows durable appends: FILE_APPEND_DATA writes, each followed by FlushFileBuffers.
#include "platform/durable_file.h"

#include <windows.h>

#include "platform/security_win32.h"
#include "platform/system_path_win32.h"

namespace {

// A file in the working folder is the user's as long as no one else can change its name: the
// folder is the user's or the administration's, and no one else may add, remove or rename its
// entries. Windows has no sticky folder: one where others may add names is refused too.
bool FolderKeepsNames() {
  const HANDLE folder = OpenToReadSecurity(L".");
  if (folder == INVALID_HANDLE_VALUE) {
    return false;
  }
  Security security;
  const bool keeps = SecurityOf(folder, &security) &&
                     OnlyOwnOrAdministrationMayChange(security, kFolderChangeRights);
  CloseHandle(folder);
  return keeps;
}

// Another user's file (made in a shared folder before the run), another name of a file, or a
// file others may write: what is appended to it, or read back, is not the program's own.
int OwnFile(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return ERROR_INVALID_PARAMETER;
  }
  Security security;
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
      information.nNumberOfLinks != 1 || !SecurityOf(handle, &security) ||
      !IsThisUser(security.owner)) {
    return kNotOwnFile;
  }
  return OnlyOwnOrAdministrationMayChange(security, kFileChangeRights) ? 0 : kNotOwnFile;
}

}  // namespace

int OpenDurable(const PathChar* name, DurableFile* file) {
  if (!FolderKeepsNames()) {
    return kNotOwnFile;
  }
  const HANDLE handle =
      CreateFileW(SystemPath(name).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL,
                  FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return static_cast<int>(GetLastError());
  }
  const int errorCode = OwnFile(handle);
  if (errorCode != 0) {
    CloseHandle(handle);
    return errorCode;
  }
  file->handle = reinterpret_cast<std::intptr_t>(handle);
  return 0;
}

int CheckDurable(const PathChar* name) {
  const HANDLE handle = OpenToReadSecurity(SystemPath(name));
  if (handle == INVALID_HANDLE_VALUE) {
    return static_cast<int>(GetLastError());
  }
  const int errorCode = FolderKeepsNames() ? OwnFile(handle) : kNotOwnFile;
  CloseHandle(handle);
  return errorCode;
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
