// Windows report file, the system's part under report_file.cpp: attributes before the walk, a
// temporary made with CREATE_NEW beside the report, MoveFileExW over it when whole, and a console
// handler that removes the temporary.
#include "platform/report_file.h"

#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <windows.h>

#include <cstdint>
#include <cwchar>

#include "platform/attribute_handle_win32.h"
#include "platform/report_file_system.h"

namespace {

// Windows will not write a read-only, hidden or system file in place; each says "keep me".
constexpr DWORD kKeepAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The temporary's name for the console handler, which runs on a thread of its own while the run
// goes on; null while none is recorded. The lock keeps the handler and the program from acting on
// the temporary at once.
const wchar_t* pendingTemporary = nullptr;
SRWLOCK pendingLock = SRWLOCK_INIT;
bool handlerInstalled = false;  // changed by the program's own thread only

BOOL WINAPI RemoveTemporaryOnInterruption(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    AcquireSRWLockExclusive(&pendingLock);
    if (pendingTemporary != nullptr) {
      // Possible while the run still writes to it: the file was made to allow it.
      DeleteFileW(pendingTemporary);
      pendingTemporary = nullptr;
    }
    ReleaseSRWLockExclusive(&pendingLock);
  }
  return FALSE;  // the next handler, the system's own, ends the process
}

// The folder a file of this name would be created in, its separator kept so that "C:\" stays
// a folder; the working directory for a bare name.
PathString FolderOf(const PathChar* name) {
  const PathString text = name;
  const std::size_t separator = text.find_last_of(L"\\/");
  return separator == PathString::npos ? PathString(L".") : text.substr(0, separator + 1);
}

// Which file `path` names, on which volume; a link is taken as itself. False when the system
// cannot tell.
bool IdentifyFile(const PathString& path, BY_HANDLE_FILE_INFORMATION* information) {
  const HANDLE file = OpenForAttributes(path);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  const bool known = GetFileInformationByHandle(file, information) != 0;
  CloseHandle(file);
  return known;
}

}  // namespace

int CheckReportWritable(const PathChar* name) {
  // The attributes of the name itself: a link or junction is a reparse point, never followed.
  const DWORD attributes = GetFileAttributesW(name);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      return ERROR_CANT_RESOLVE_FILENAME;  // the system's code for a link it will not follow
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return ERROR_ACCESS_DENIED;  // what opening a folder as a file gives
    }
    if ((attributes & kKeepAttributes) != 0) {
      return ERROR_ACCESS_DENIED;
    }
    // Opening for writing and deleting, without truncating, asks the system everything that
    // could refuse the rename at the end (permissions, another program holding the file open)
    // and changes nothing in the file.
    const HANDLE existing = CreateFileW(
        name, GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (existing == INVALID_HANDLE_VALUE) {
      return static_cast<int>(GetLastError());
    }
    CloseHandle(existing);
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    return static_cast<int>(GetLastError());
  }
  // The temporary is made in the folder: it is opened asking for the right to add a file. The
  // system checks that right as it would for the real creation (permissions, a read-only volume,
  // a share's rights), and nothing is created.
  const HANDLE folder = CreateFileW(FolderOf(name).c_str(), FILE_ADD_FILE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    return static_cast<int>(GetLastError());
  }
  CloseHandle(folder);
  return 0;
}

// The handler is installed before the lock is taken, so that Ctrl-C at any moment finds the
// temporary either not yet made or recorded; it stays while a temporary is recorded.
void HoldInterruptions() {
  if (!handlerInstalled) {
    SetConsoleCtrlHandler(RemoveTemporaryOnInterruption, TRUE);
    handlerInstalled = true;
  }
  AcquireSRWLockExclusive(&pendingLock);
}

void ReleaseInterruptions() {
  const bool recorded = pendingTemporary != nullptr;
  ReleaseSRWLockExclusive(&pendingLock);
  if (!recorded) {
    SetConsoleCtrlHandler(RemoveTemporaryOnInterruption, FALSE);
    handlerInstalled = false;
  }
}

void RecordTemporary(const PathString& temporary, std::FILE*) {
  pendingTemporary = temporary.c_str();
}

// When the console handler came first, the process is ending and the temporary is gone.
int RecordIntact() { return pendingTemporary != nullptr ? 0 : ERROR_OPERATION_ABORTED; }

void ForgetTemporary() { pendingTemporary = nullptr; }

// Windows makes no file without a name that could get one later: every temporary is named.
int OpenTemporary(const PathChar*, const PathChar* temporary, std::FILE** stream) {
  if (temporary == nullptr) {
    return ERROR_NOT_SUPPORTED;
  }
  // FILE_SHARE_DELETE: the console handler removes the file while it is open here.
  const HANDLE file = CreateFileW(temporary, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return static_cast<int>(GetLastError());
  }
  // Text mode, as the report has always been written: every "\n" goes out as CR LF, the line end
  // Windows editors expect.
  const int descriptor =
      _open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_WRONLY | _O_TEXT);
  int errorCode = 0;
  if (descriptor < 0) {
    CloseHandle(file);
    errorCode = ERROR_TOO_MANY_OPEN_FILES;
  } else {
    ClearRuntimeError();
    *stream = _fdopen(descriptor, "w");
    if (*stream == nullptr) {
      errorCode = RuntimeErrorCode();
      _close(descriptor);
    }
  }
  if (errorCode != 0) {
    DeleteFileW(temporary);
  }
  return errorCode;
}

int NameTemporary(std::FILE*, const PathChar*) { return ERROR_NOT_SUPPORTED; }

bool IsNameTaken(int errorCode) {
  return errorCode == ERROR_FILE_EXISTS || errorCode == ERROR_ALREADY_EXISTS;
}

int SyncToDisk(std::FILE* stream) {
  const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  return FlushFileBuffers(file) ? 0 : static_cast<int>(GetLastError());
}

// Taken as ours: the check guards folders that every user may write, such as /tmp on POSIX, which
// a Windows working folder is not unless someone made it so.
int CheckOurTemporary(const PathChar*) { return 0; }

int ReplaceReport(const PathChar* temporary, const PathChar* report) {
  return MoveFileExW(temporary, report, MOVEFILE_REPLACE_EXISTING)
             ? 0
             : static_cast<int>(GetLastError());
}

void RemoveTemporary(const PathChar* temporary) { DeleteFileW(temporary); }

std::uint64_t ClockTicks() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<std::uint64_t>(now.QuadPart);
}

std::uint64_t ProcessNumber() { return GetCurrentProcessId(); }

bool IsReportFile(const PathChar* name, const PathString& folder, const PathChar* listedName,
                  std::size_t listedLength) {
  const std::size_t nameLength = std::wcslen(name);
  if (nameLength == listedLength && std::wmemcmp(name, listedName, listedLength) == 0) {
    return true;  // the exact name reaches its own entry, in every folder
  }
  // "Duplicates.txt" was walked, grouped with the user's saved copy of the earlier report, then
  // replaced by the report that listed it.
  if (CompareStringOrdinal(listedName, static_cast<int>(listedLength), name,
                           static_cast<int>(nameLength), TRUE) != CSTR_EQUAL) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION listed;
  BY_HANDLE_FILE_INFORMATION named;
  return IdentifyFile(folder + kPathSeparator + PathString(listedName, listedLength), &listed) &&
         IdentifyFile(name, &named) && listed.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
         listed.nFileIndexHigh == named.nFileIndexHigh &&
         listed.nFileIndexLow == named.nFileIndexLow;
}
