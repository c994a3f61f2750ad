// Windows content reads: _wfopen in binary mode, 64-bit positions through _fseeki64.
#include "platform/readable_file.h"

#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "platform/attribute_handle_win32.h"
#include "platform/file_state_win32.h"
#include "platform/system_path_win32.h"

namespace {

std::FILE* StreamOf(const ReadableFile& file) { return reinterpret_cast<std::FILE*>(file.handle); }

HANDLE HandleOf(const ReadableFile& file) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(StreamOf(file))));
}

}  // namespace

OpenResult OpenForReading(const PathChar* path, ReadableFile* file) {
  RunBeforeOpenHook(path);
  // "rb": in text mode a CR LF copy and an LF copy of a text compared equal, and a Ctrl-Z byte
  // ended a file early.
  errno = 0;
  std::FILE* stream = _wfopen(SystemPath(path).c_str(), L"rb");
  if (stream == nullptr) {
    // The runtime's table of streams is full: the one limit on open files that Windows has.
    return errno == EMFILE ? OpenResult::kNoDescriptor : OpenResult::kFailed;
  }
  // A name given without the "\\?\" form can still reach a device: "C:\dir\nul" opens NUL,
  // which reads as empty. Only disk files are read.
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information)) {
    std::fclose(stream);
    return OpenResult::kFailed;
  }
  file->handle = reinterpret_cast<std::intptr_t>(stream);
  file->state = FileStateOf(handle, information);
  return OpenResult::kOpened;
}

// A file shared for no reading still answers, and a reparse point answers as itself.
bool StateAtPath(const PathChar* path, FileState* state) {
  const HANDLE handle = OpenForAttributes(path);
  if (handle == INVALID_HANDLE_VALUE) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION information;
  const bool regular =
      GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &information) &&
      (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
          0;
  if (regular) {
    *state = FileStateOf(handle, information);
  }
  CloseHandle(handle);
  return regular;
}

// Only the open file is asked: while it is open its path cannot be given to another file, as the
// runtime opens it without FILE_SHARE_DELETE, which a rename over it or its deletion needs.
bool FileUnchanged(const ReadableFile& file, const PathChar*) {
  BY_HANDLE_FILE_INFORMATION information;
  const HANDLE handle = HandleOf(file);
  return GetFileInformationByHandle(handle, &information) &&
         SameFileState(FileStateOf(handle, information), file.state);
}

std::size_t ReadAt(const ReadableFile& file, std::int64_t offset, void* buffer, std::size_t count,
                   bool* readError) {
  std::FILE* stream = StreamOf(file);
  // long is 32 bits in both Windows builds: fseek could not reach past 2 GiB.
  if (_fseeki64(stream, offset, SEEK_SET) != 0) {
    if (readError != nullptr) {
      *readError = true;
    }
    return 0;
  }
  const std::size_t got = std::fread(buffer, 1, count, stream);
  if (got < count && std::ferror(stream)) {
    if (readError != nullptr) {
      *readError = true;
    }
    std::clearerr(stream);
  }
  return got;
}

// Said cached, so the read-ahead that could only open files early here never begins.
bool IsInCache(const ReadableFile&, std::int64_t, std::int64_t) { return true; }

// The cache manager's read-ahead already follows a file read from start to end, and the
// sequential-scan hint could only have been given when the file was opened.
void AdviseSequential(const ReadableFile&) {}

// Windows has no request that fills the cache without a read. The equivalent is the read
// itself, started early and finished later: the file opened with FILE_FLAG_OVERLAPPED and a
// ReadFile with an OVERLAPPED structure into a buffer kept until the file's turn (or, from
// Windows 8 on, a mapped view of the range and PrefetchVirtualMemory). Both need a handle of
// their own rather than this C stream, so the Windows programs read one file at a time as before.
void AdviseWillNeed(const ReadableFile&, std::int64_t, std::int64_t) {}

std::int64_t SharedBytes(const ReadableFile&, bool* canShare) {
  *canShare = false;  // ReFS block clones are not told apart from a file's own blocks here
  return 0;
}

void OnListedFileLookup(bool) {}

void CloseFile(ReadableFile* file) {
  std::fclose(StreamOf(*file));
  file->handle = -1;
}

void CloseFiles(std::vector<ReadableFile>& files) {
  for (ReadableFile& file : files) {
    CloseFile(&file);
  }
  files.clear();
}
