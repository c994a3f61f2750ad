// Test support, Windows: code pages and links.
#include <windows.h>
#include <winioctl.h>

#include "support/windows_support.h"

namespace {

bool CodePageHas(UINT codePage, wchar_t character) {
  if (codePage == CP_UTF8) {
    return true;
  }
  char bytes[8];
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, &character, 1, bytes,
                                         sizeof bytes, nullptr, &usedDefault);
  return length > 0 && !usedDefault;
}

}  // namespace

bool CodePagesLackEvery(const PathString& text) {
  for (const wchar_t character : text) {
    const UINT console = GetConsoleOutputCP();  // 0 without a console
    if (CodePageHas(GetACP(), character) || CodePageHas(GetOEMCP(), character) ||
        (console != 0 && CodePageHas(console, character))) {
      return false;
    }
  }
  return true;
}

bool MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target) {
  return CreateSymbolicLinkW(
             link.c_str(), target.c_str(),
             SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
}

bool MakeFileLink(const std::filesystem::path& link, const std::filesystem::path& target) {
  if (!CreateSymbolicLinkW(link.c_str(), target.c_str(),
                           SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
    return false;
  }
  const DWORD attributes = GetFileAttributesW(link.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void MakeSparseFile(const std::filesystem::path& path, std::uint64_t size) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD returned = 0;
  // Refused where the file system has no sparse files; Wine's files are sparse by themselves.
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size);
  SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
}

bool AddFileAttribute(const std::filesystem::path& path, FileAttribute attribute) {
  const DWORD flag = attribute == FileAttribute::ReadOnly ? FILE_ATTRIBUTE_READONLY
                     : attribute == FileAttribute::Hidden ? FILE_ATTRIBUTE_HIDDEN
                                                          : FILE_ATTRIBUTE_SYSTEM;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         SetFileAttributesW(path.c_str(), attributes | flag) &&
         (GetFileAttributesW(path.c_str()) & flag) != 0;
}

std::uint32_t FileAttributes(const std::filesystem::path& path) {
  return GetFileAttributesW(path.c_str());
}

void ClearFileAttributes(const std::filesystem::path& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

std::filesystem::path Verbatim(const std::filesystem::path& path) {
  return std::filesystem::path(L"\\\\?\\" +
                               std::filesystem::absolute(path).make_preferred().native());
}
