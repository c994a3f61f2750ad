// Windows report file: attributes before the walk, a temporary made with CREATE_NEW beside the
// report, MoveFileExW over it when whole, and a console handler that removes the temporary.
#include "platform/report_file.h"

#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cwchar>

#include "platform/system_path_win32.h"
#include "platform/temporary_name.h"

namespace {

// A name already taken is another file's: a new suffix is drawn, this many times at most.
constexpr int kCreateAttempts = 100;
// Windows will not write a read-only, hidden or system file in place; each says "keep me".
constexpr DWORD kKeepAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The temporary's name for the console handler, which runs on a thread of its own while the run
// goes on; the lock keeps the handler and the rename from acting on the temporary at once.
wchar_t pendingTemporary[kPathCapacity];
bool temporaryPending = false;
SRWLOCK pendingLock = SRWLOCK_INIT;

BOOL WINAPI RemoveTemporaryOnInterruption(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    AcquireSRWLockExclusive(&pendingLock);
    if (temporaryPending) {
      // Possible while the run still writes to it: the file was made to allow it.
      DeleteFileW(pendingTemporary);
      temporaryPending = false;
    }
    ReleaseSRWLockExclusive(&pendingLock);
  }
  return FALSE;  // the next handler, the system's own, ends the process
}

// The error a failed runtime call left: the system's own code where the runtime kept one.
int RuntimeErrorCode() {
  if (_doserrno != 0) {
    return static_cast<int>(_doserrno);
  }
  return errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
}

// What draws a new suffix each attempt and each run: the time, the process and the attempt.
std::uint64_t TemporarySeed(int attempt) {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<std::uint64_t>(now.QuadPart) ^
         (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) ^
         static_cast<std::uint64_t>(attempt);
}

// The folder a file of this name would be created in, its separator kept so that "C:\" stays
// a folder; the working directory for a bare name.
PathString FolderOf(const PathChar* name) {
  const PathString text = name;
  const std::size_t separator = text.find_last_of(L"\\/");
  return separator == PathString::npos ? PathString(L".") : text.substr(0, separator + 1);
}

// Renames the temporary over the report when `keep`, else removes it, and forgets it. Returns 0
// or the rename's error code; a temporary that could not be renamed is removed. When the console
// handler came first, the process is ending and the temporary is gone.
int SettleTemporary(ReportFile* report, bool keep) {
  int errorCode = 0;
  AcquireSRWLockExclusive(&pendingLock);
  if (!temporaryPending) {
    errorCode = ERROR_OPERATION_ABORTED;
  } else {
    if (keep &&
        !MoveFileExW(report->temporary.c_str(), report->name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      errorCode = static_cast<int>(GetLastError());
    }
    if (!keep || errorCode != 0) {
      DeleteFileW(report->temporary.c_str());
    }
    temporaryPending = false;
  }
  ReleaseSRWLockExclusive(&pendingLock);
  SetConsoleCtrlHandler(RemoveTemporaryOnInterruption, FALSE);
  report->temporary.clear();
  return errorCode;
}

// Which file `path` names, on which volume; a link is taken as itself. False when the system
// cannot tell.
bool IdentifyFile(const PathString& path, BY_HANDLE_FILE_INFORMATION* information) {
  const HANDLE file =
      CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  const bool known = GetFileInformationByHandle(file, information) != 0;
  CloseHandle(file);
  return known;
}

}  // namespace

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

int CreateReport(const PathChar* name, ReportFile* report) {
  report->name = name;
  report->text = TextOutput();
  if (std::wcslen(name) + 1 + kTemporarySuffixLength >= kPathCapacity) {
    return ERROR_FILENAME_EXCED_RANGE;
  }
  // The handler is installed first, and the lock held from the creation to the record of it, so
  // that Ctrl-C at any moment finds the temporary either not yet made or recorded.
  SetConsoleCtrlHandler(RemoveTemporaryOnInterruption, TRUE);
  AcquireSRWLockExclusive(&pendingLock);
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD errorCode = ERROR_FILE_EXISTS;
  PathString temporary;
  for (int attempt = 0; attempt < kCreateAttempts &&
                        (errorCode == ERROR_FILE_EXISTS || errorCode == ERROR_ALREADY_EXISTS);
       ++attempt) {
    temporary = TemporaryName(name, TemporarySeed(attempt));
    // FILE_SHARE_DELETE: the console handler removes the file while it is open here.
    file = CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                       nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    errorCode = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  }
  if (errorCode == 0) {
    std::wmemcpy(pendingTemporary, temporary.c_str(), temporary.size() + 1);
    temporaryPending = true;
  }
  ReleaseSRWLockExclusive(&pendingLock);
  if (errorCode != 0) {
    SetConsoleCtrlHandler(RemoveTemporaryOnInterruption, FALSE);
    return static_cast<int>(errorCode);
  }
  report->temporary = temporary;

  // Text mode, as the report has always been written: every "\n" goes out as CR LF, the line end
  // Windows editors expect.
  const int descriptor =
      _open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_WRONLY | _O_TEXT);
  if (descriptor < 0) {
    CloseHandle(file);
    SettleTemporary(report, false);
    return ERROR_TOO_MANY_OPEN_FILES;
  }
  _doserrno = 0;
  report->text.stream = _fdopen(descriptor, "w");
  if (report->text.stream == nullptr) {
    const int failure = RuntimeErrorCode();
    _close(descriptor);
    SettleTemporary(report, false);
    return failure;
  }
  return 0;
}

int FinishReport(ReportFile* report) {
  std::FILE* stream = report->text.stream;
  report->text.stream = nullptr;
  int errorCode = report->text.error;
  _doserrno = 0;
  if (std::fflush(stream) != 0 && errorCode == 0) {
    errorCode = RuntimeErrorCode();
  }
  if (std::ferror(stream) && errorCode == 0) {
    errorCode = ERROR_WRITE_FAULT;
  }
  // On the disk before it takes the earlier report's place, so that a crash just after the
  // rename cannot leave an empty report.
  const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (errorCode == 0 && !FlushFileBuffers(file)) {
    errorCode = static_cast<int>(GetLastError());
  }
  _doserrno = 0;
  if (std::fclose(stream) != 0 && errorCode == 0) {
    errorCode = RuntimeErrorCode();
  }
  if (errorCode != 0) {
    SettleTemporary(report, false);
    return errorCode;
  }
  return SettleTemporary(report, true);
}

void AbandonReport(ReportFile* report) {
  if (report->temporary.empty()) {
    return;
  }
  if (report->text.stream != nullptr) {
    std::fclose(report->text.stream);
    report->text.stream = nullptr;
  }
  SettleTemporary(report, false);
}
