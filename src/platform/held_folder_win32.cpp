// Windows held folders: every folder of the full "\\?\" path opened in turn with
// FILE_FLAG_OPEN_REPARSE_POINT and kept open without FILE_SHARE_DELETE, so none of them is a
// link and none can be renamed or replaced while held; entries are then reached by full path.
#include "platform/held_folder.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <utility>

#include "platform/file_state_win32.h"
#include "platform/held_folder_win32.h"
#include "platform/system_path_win32.h"

namespace {

const PathString kVerbatimPrefix = L"\\\\?\\";
constexpr DWORD kShareAllButDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool IsSeparator(PathChar character) { return character == L'\\' || character == L'/'; }

HoldResult ResultOf(DWORD errorCode) {
  switch (errorCode) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return HoldResult::kMissing;
    case ERROR_DIRECTORY:
      return HoldResult::kNotFolder;
    default:
      return HoldResult::kFailed;
  }
}

void CloseAncestors(HeldFolder* held) {
  for (const std::intptr_t ancestor : held->ancestors) {
    CloseHandle(reinterpret_cast<HANDLE>(ancestor));
  }
  held->ancestors.clear();
}

void CloseAll(HeldFolder* held) {
  if (held->handle != -1) {
    CloseHandle(reinterpret_cast<HANDLE>(held->handle));
  }
  held->handle = -1;
  CloseAncestors(held);
}

// Opens one folder of the path and makes it the held one; the one before joins the ancestors.
HoldResult Enter(HeldFolder* held, const PathString& path, const PathString& name, DWORD share,
                 int* errorCode) {
  const HANDLE handle =
      CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *errorCode = static_cast<int>(GetLastError());
    return ResultOf(GetLastError());
  }
  if (held->handle != -1) {
    held->ancestors.push_back(held->handle);
  }
  held->handle = reinterpret_cast<std::intptr_t>(handle);
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information)) {
    *errorCode = static_cast<int>(GetLastError());
    return HoldResult::kFailed;
  }
  const PathString systemName = HandleName(handle);
  // The volume's root has no folder above it whose name could tell.
  if (IsLinkReparse(handle) ||
      (!held->chain.empty() && !IsNamedEntry(systemName, held->systemName, path, name))) {
    return HoldResult::kThroughLink;
  }
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return HoldResult::kNotFolder;
  }
  held->chain.push_back(IdentityOf(information));
  held->names.push_back(name);
  held->systemPath = path;
  held->systemName = systemName;
  return HoldResult::kHeld;
}

}  // namespace

HeldFolder::HeldFolder(HeldFolder&& other) noexcept
    : handle(std::exchange(other.handle, -1)),
      ancestors(std::move(other.ancestors)),
      chain(std::move(other.chain)),
      names(std::move(other.names)),
      systemPath(std::move(other.systemPath)),
      systemName(std::move(other.systemName)) {
  other.ancestors.clear();
}

HeldFolder& HeldFolder::operator=(HeldFolder&& other) noexcept {
  if (this != &other) {
    CloseAll(this);
    handle = std::exchange(other.handle, -1);
    ancestors = std::move(other.ancestors);
    other.ancestors.clear();
    chain = std::move(other.chain);
    names = std::move(other.names);
    systemPath = std::move(other.systemPath);
    systemName = std::move(other.systemName);
  }
  return *this;
}

HeldFolder::~HeldFolder() { CloseAll(this); }

namespace {

// Opens every folder of the full "\\?\" path `full` in turn, none of them a link.
HoldResult HoldFull(const PathString& full, HeldFolder* held, int* errorCode) {
  *errorCode = 0;
  if (full.compare(0, kVerbatimPrefix.size(), kVerbatimPrefix) != 0) {
    *errorCode = ERROR_BAD_PATHNAME;
    return HoldResult::kFailed;
  }
  const std::size_t volumeEnd = VolumeLength(full);
  // The volume's root with its separator: without one, "\\?\C:" names the volume itself.
  PathString path = full.substr(0, volumeEnd);
  if (path.back() != L'\\') {
    path.push_back(L'\\');
  }
  HeldFolder start;
  HoldResult result = Enter(&start, path, PathString(), kShareAll, errorCode);
  std::size_t position = volumeEnd;
  while (result == HoldResult::kHeld && position < full.size()) {
    std::size_t end = full.find(L'\\', position);
    if (end == PathString::npos) {
      end = full.size();
    }
    const PathString name = full.substr(position, end - position);
    if (!name.empty()) {
      result = Enter(&start, EntryPath(start, name), name, kShareAllButDelete, errorCode);
    }
    position = end + 1;
  }
  if (result == HoldResult::kHeld) {
    *held = std::move(start);
  }
  return result;
}

}  // namespace

HoldResult HoldFolder(const PathString& folder, HeldFolder* held, int* errorCode) {
  // GetFullPathNameW settles "." and ".." by the text, before anything is opened.
  return HoldFull(VerbatimPath(folder.empty() ? PathString(L".") : folder), held, errorCode);
}

HoldResult HoldListedFolder(const PathString& folder, HeldFolder* held, int* errorCode) {
  return HoldFull(ListedPath(folder), held, errorCode);
}

HoldResult HoldListedFolderAfresh(const PathString& folder, HeldFolder* held, int* errorCode) {
  return HoldListedFolder(folder, held, errorCode);
}

HoldResult HoldSubfolder(const HeldFolder& parent, const PathString& name, bool create,
                         HeldFolder* held, int* errorCode, bool* made) {
  *errorCode = 0;
  const PathString path = EntryPath(parent, name);
  const bool making = create && CreateDirectoryW(path.c_str(), nullptr);
  if (create && !making && GetLastError() != ERROR_ALREADY_EXISTS) {
    *errorCode = static_cast<int>(GetLastError());
    return ResultOf(GetLastError());
  }
  if (made != nullptr) {
    *made = making;
  }
  HeldFolder child;
  const HANDLE process = GetCurrentProcess();
  for (const std::intptr_t handle : parent.ancestors) {
    HANDLE copy = nullptr;
    DuplicateHandle(process, reinterpret_cast<HANDLE>(handle), process, &copy, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    child.ancestors.push_back(reinterpret_cast<std::intptr_t>(copy));
  }
  HANDLE copy = nullptr;
  DuplicateHandle(process, reinterpret_cast<HANDLE>(parent.handle), process, &copy, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  child.handle = reinterpret_cast<std::intptr_t>(copy);
  child.chain = parent.chain;
  child.names = parent.names;
  child.systemName = parent.systemName;
  const HoldResult result = Enter(&child, path, name, kShareAllButDelete, errorCode);
  if (result == HoldResult::kHeld) {
    *held = std::move(child);
  }
  return result;
}

void ReleaseAncestors(HeldFolder* held) {
  CloseAncestors(held);
  held->chain.erase(held->chain.begin(), held->chain.end() - 1);
  held->names.erase(held->names.begin(), held->names.end() - 1);
}

void SplitPath(const PathString& path, PathString* folder, PathString* name) {
  std::size_t separator = PathString::npos;
  for (std::size_t index = path.size(); index > 0; --index) {
    if (IsSeparator(path[index - 1])) {
      separator = index - 1;
      break;
    }
  }
  if (separator == PathString::npos) {
    // "C:name" is in the working folder of drive C, which "C:" names.
    const std::size_t colon = path.size() >= 2 && path[1] == L':' ? 2 : 0;
    *folder = path.substr(0, colon);
    *name = path.substr(colon);
    return;
  }
  *folder = path.substr(0, separator);
  // "\name" and "C:\name": the folder keeps its separator, else it would name another one.
  if (folder->empty() || folder->back() == L':') {
    folder->push_back(path[separator]);
  }
  *name = path.substr(separator + 1);
}

EntryStatus StatEntry(const HeldFolder& folder, const PathString& name) {
  EntryStatus entry;
  const HANDLE handle = CreateFileW(
      EntryPath(folder, name).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    entry.errorCode = static_cast<int>(GetLastError());
    entry.type =
        ResultOf(GetLastError()) == HoldResult::kMissing ? EntryType::kMissing : EntryType::kFailed;
    return entry;
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information)) {
    entry.errorCode = static_cast<int>(GetLastError());
  } else if (IsLinkReparse(handle) || !OpenedAsEntry(folder, handle, name)) {
    entry.type = EntryType::kLink;
  } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    entry.type = EntryType::kFolder;
  } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
             GetFileType(handle) != FILE_TYPE_DISK) {
    entry.type = EntryType::kOther;  // a cloud placeholder: acting on it could fetch it
  } else {
    entry.type = EntryType::kFile;
    entry.state = FileStateOf(handle, information);
    entry.state.allocated = AllocatedBytes(handle);
  }
  CloseHandle(handle);
  return entry;
}

OpenResult OpenEntry(const HeldFolder& folder, const PathString& name, ReadableFile* file) {
  // Shared for reading and deleting, not for writing: the bytes compared stay the bytes, and the
  // file can still be renamed aside or removed by this program.
  const HANDLE handle = CreateFileW(
      EntryPath(folder, name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return OpenResult::kFailed;
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information) ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
          0 ||
      !OpenedAsEntry(folder, handle, name)) {
    CloseHandle(handle);
    return OpenResult::kFailed;
  }
  // The reads go through the C runtime's stream, as every ReadableFile's do.
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  std::FILE* stream = descriptor < 0 ? nullptr : _fdopen(descriptor, "rb");
  if (stream == nullptr) {
    if (descriptor >= 0) {
      _close(descriptor);
    } else {
      CloseHandle(handle);
    }
    return OpenResult::kNoDescriptor;
  }
  file->handle = reinterpret_cast<std::intptr_t>(stream);
  file->state = FileStateOf(handle, information);
  file->state.allocated = AllocatedBytes(handle);
  return OpenResult::kOpened;
}

bool OpenFileUnchanged(const ReadableFile& file) {
  std::FILE* stream = reinterpret_cast<std::FILE*>(file.handle);
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  BY_HANDLE_FILE_INFORMATION information;
  return GetFileInformationByHandle(handle, &information) &&
         SameFileState(FileStateOf(handle, information), file.state);
}
