// Test support, Windows: code pages, console screens and links.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <winioctl.h>

#include <cstdlib>

#include "support/windows_support.h"

unsigned AnsiCodePage() { return GetACP(); }

std::string CodePageMismatch() {
  const char* asked = std::getenv("DUPSCAN_TEST_CODE_PAGE");
  if (asked == nullptr || std::to_string(GetACP()) == asked) {
    return std::string();
  }
  return "asked for ANSI code page " + std::string(asked) + " through LC_ALL, but wine runs this" +
         " process under " + std::to_string(GetACP()) + " (see tests/CMakeLists.txt)";
}

std::FILE* OpenConsoleScreen() {
  const HANDLE screen =
      CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
  if (screen == INVALID_HANDLE_VALUE) {
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(screen), _O_WRONLY | _O_TEXT);
  return descriptor < 0 ? nullptr : _fdopen(descriptor, "w");
}

std::wstring ConsoleScreenLine(std::FILE* screen, int row) {
  std::fflush(screen);
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(screen)));
  CONSOLE_SCREEN_BUFFER_INFO screenInfo{};
  GetConsoleScreenBufferInfo(handle, &screenInfo);
  std::wstring line(static_cast<std::size_t>(screenInfo.dwSize.X), L' ');
  DWORD read = 0;
  ReadConsoleOutputCharacterW(handle, &line[0], static_cast<DWORD>(line.size()),
                              COORD{0, static_cast<SHORT>(row)}, &read);
  line.resize(read);
  line.erase(line.find_last_not_of(L' ') + 1);
  return line;
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
