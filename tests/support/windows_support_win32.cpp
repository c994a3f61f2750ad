// Test support, Windows: code pages, console screens, links, short names, mapped drives, owners
// and access lists.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <winioctl.h>

#include <aclapi.h>
#include <sddl.h>
#include <winioctl.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/run_program.h"
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

namespace {

std::string WineNote() { return RunningUnderWine() ? " (wine 8 makes no reparse points)" : ""; }

// Wine 8's CreateSymbolicLinkW reports success and makes nothing: a link counts as made only when
// the folder's own attributes say so.
bool IsReparsePoint(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::string MakeSymbolicLink(const std::filesystem::path& link,
                             const std::filesystem::path& target) {
  if (!CreateSymbolicLinkW(
          link.c_str(), target.c_str(),
          SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
    return "CreateSymbolicLinkW failed with code " + std::to_string(GetLastError()) +
           " (links need developer mode or an administrator)";
  }
  return IsReparsePoint(link)
             ? ""
             : "CreateSymbolicLinkW reported success and made no link" + WineNote();
}

// The head of a mount point's reparse data, as FSCTL_SET_REPARSE_POINT takes it; the substitute
// and the print name follow, each ended by a zero. mingw-w64 declares it only for drivers.
struct MountPointHead {
  DWORD reparseTag;
  WORD reparseDataLength;  // from substituteNameOffset to the end
  WORD reserved;
  WORD substituteNameOffset;
  WORD substituteNameLength;
  WORD printNameOffset;
  WORD printNameLength;
};
std::vector<char> MountPointData(const std::wstring& printName) {
  const std::wstring substitute = L"\\??\\" + printName;
  const std::size_t substituteBytes = substitute.size() * sizeof(wchar_t);
  const std::size_t printBytes = printName.size() * sizeof(wchar_t);
  std::vector<char> data(sizeof(MountPointHead) + substituteBytes + printBytes +
                         2 * sizeof(wchar_t));
  MountPointHead head{};
  head.reparseTag = IO_REPARSE_TAG_MOUNT_POINT;
  head.reparseDataLength =
      static_cast<WORD>(data.size() - offsetof(MountPointHead, substituteNameOffset));
  head.substituteNameLength = static_cast<WORD>(substituteBytes);
  head.printNameOffset = static_cast<WORD>(substituteBytes + sizeof(wchar_t));
  head.printNameLength = static_cast<WORD>(printBytes);
  std::memcpy(data.data(), &head, sizeof head);
  std::memcpy(data.data() + sizeof head, substitute.c_str(), substituteBytes);
  std::memcpy(data.data() + sizeof head + head.printNameOffset, printName.c_str(), printBytes);
  return data;
}

// A junction is a folder that carries mount-point data; making one needs no privilege.
std::string MakeJunction(const std::filesystem::path& link, const std::filesystem::path& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) {
    return "CreateDirectoryW failed with code " + std::to_string(GetLastError());
  }
  const HANDLE folder =
      CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  std::vector<char> data =
      MountPointData(std::filesystem::absolute(target).make_preferred().native());
  DWORD returned = 0;
  const BOOL made =
      folder != INVALID_HANDLE_VALUE &&
      DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, data.data(), static_cast<DWORD>(data.size()),
                      nullptr, 0, &returned, nullptr);
  const DWORD reason = made ? 0 : GetLastError();
  if (folder != INVALID_HANDLE_VALUE) {
    CloseHandle(folder);
  }
  if (!made) {
    RemoveDirectoryW(link.c_str());
    return "FSCTL_SET_REPARSE_POINT failed with code " + std::to_string(reason) + WineNote();
  }
  return "";
}

}  // namespace

std::string MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target,
                           FolderLinkKind kind) {
  return kind == FolderLinkKind::kSymbolicLink ? MakeSymbolicLink(link, target)
                                               : MakeJunction(link, target);
}

std::filesystem::path ShortPath(const std::filesystem::path& path) {
  const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
  std::wstring shortPath(needed, L'\0');
  const DWORD written = needed == 0 ? 0 : GetShortPathNameW(path.c_str(), &shortPath[0], needed);
  if (written == 0 || written >= needed) {
    return path;
  }
  shortPath.resize(written);
  return shortPath;
}

namespace {

// Wine's request to its mount manager for a drive letter (struct mountmgr_unix_drive in wine's
// include/ddk/mountmgr.h): the letter, and the Unix folder it stands for after this head; no
// folder removes the letter.
struct WineUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDevice;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};
constexpr DWORD kWineMountManagerType = 0x6d;  // 'm', MOUNTMGRCONTROLTYPE
constexpr DWORD kWineDefineUnixDriveFunction = 32;
constexpr DWORD kWineDefineUnixDrive =
    CTL_CODE(kWineMountManagerType, kWineDefineUnixDriveFunction, METHOD_BUFFERED,
             FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// The Unix path wine keeps `folder` under; empty when this is not wine.
std::string WineUnixPath(const std::wstring& folder) {
  using UnixFileName = char*(__cdecl*)(const wchar_t*);
  // Through void (*)(): GetProcAddress's own type says nothing of the function's.
  const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unixPath = unixFileName == nullptr ? nullptr : unixFileName(folder.c_str());
  if (unixPath == nullptr) {
    return std::string();
  }
  std::string text(unixPath);
  HeapFree(GetProcessHeap(), 0, unixPath);
  return text;
}

bool AskWineMountManager(wchar_t letter, const std::string& unixPath) {
  std::vector<char> request(sizeof(WineUnixDrive) + (unixPath.empty() ? 0 : unixPath.size() + 1));
  WineUnixDrive head{};
  head.size = static_cast<ULONG>(request.size());
  head.letter = letter;
  if (!unixPath.empty()) {
    head.type = DRIVE_FIXED;  // what GetDriveTypeW then answers
    head.mountPointOffset = sizeof head;
    std::memcpy(request.data() + sizeof head, unixPath.c_str(), unixPath.size() + 1);
  }
  std::memcpy(request.data(), &head, sizeof head);
  const HANDLE manager =
      CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD returned = 0;
  const BOOL done =
      DeviceIoControl(manager, kWineDefineUnixDrive, request.data(),
                      static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return done != 0;
}

bool IsFolder(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The last free letter from Y down, away from the letters that removable drives take first.
wchar_t FreeDriveLetter() {
  const DWORD used = GetLogicalDrives();
  for (wchar_t letter = L'Y'; letter >= L'D'; --letter) {
    if ((used & (1u << (letter - L'A'))) == 0) {
      return letter;
    }
  }
  return 0;
}

}  // namespace

MappedDrive::MappedDrive(const std::filesystem::path& folder)
    : target_(std::filesystem::absolute(folder).make_preferred().native()) {
  letter_ = FreeDriveLetter();
  if (letter_ == 0) {
    unavailable_ = "no drive letter is free";
    return;
  }
  const wchar_t device[] = {letter_, L':', L'\0'};
  if (DefineDosDeviceW(0, device, target_.c_str())) {
    if (IsFolder(Root())) {
      return;
    }
    DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device, target_.c_str());
  }
  const std::string unixPath = WineUnixPath(target_);
  if (!unixPath.empty() && AskWineMountManager(letter_, unixPath)) {
    throughWine_ = true;
    if (IsFolder(Root())) {
      return;
    }
  }
  unavailable_ = "neither DefineDosDeviceW nor wine's mount manager gave drive " +
                 std::string(1, static_cast<char>(letter_)) + ": a folder";
}

MappedDrive::~MappedDrive() {
  if (throughWine_) {
    AskWineMountManager(letter_, std::string());
  } else if (letter_ != 0 && unavailable_.empty()) {
    const wchar_t device[] = {letter_, L':', L'\0'};
    DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device, target_.c_str());
  }
}

std::filesystem::path MappedDrive::Root() const {
  if (letter_ == 0 || !unavailable_.empty()) {
    return std::filesystem::path();
  }
  return std::wstring{letter_, L':', L'\\'};
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

namespace {

// This process's user, as an SDDL string.
std::wstring ThisUserSid() {
  HANDLE token = nullptr;
  std::wstring text;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES, &token)) {
    return text;
  }
  alignas(8) char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  wchar_t* sid = nullptr;
  if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid)) {
    text = sid;
    LocalFree(sid);
  }
  // Naming another owner takes the right to restore files, which administrators hold unused.
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &privileges.Privileges[0].Luid)) {
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  }
  CloseHandle(token);
  return text;
}

bool SetSecurity(const std::filesystem::path& path, const std::wstring& text,
                 SECURITY_INFORMATION what) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return false;
  }
  const bool set = SetFileSecurityW(path.c_str(), what, descriptor) != 0;
  LocalFree(descriptor);
  return set;
}

std::wstring OwnerOf(const std::filesystem::path& path) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  wchar_t* sid = nullptr;
  std::wstring text;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                            nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS &&
      ConvertSidToStringSidW(owner, &sid)) {
    text = sid;
    LocalFree(sid);
  }
  LocalFree(descriptor);
  return text;
}

// Wine runs a Linux program as it runs a Windows one; its file names through wine's own calls.
void ChownUnderWine(const std::filesystem::path& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  using DosName = wchar_t*(CDECL*)(const char*);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
  const auto dosName = reinterpret_cast<DosName>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
  char* file = unixName == nullptr ? nullptr : unixName(path.c_str());
  wchar_t* program = dosName == nullptr ? nullptr : dosName("/bin/chown");
  if (file != nullptr && program != nullptr) {
    std::wstring command = L"chown 65534 \"" + std::filesystem::path(file).wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
      WaitForSingleObject(process.hProcess, INFINITE);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
  HeapFree(GetProcessHeap(), 0, file);
  HeapFree(GetProcessHeap(), 0, program);
}

}  // namespace

bool SetAccessList(const std::filesystem::path& path, Openness openness) {
  const std::wstring user = ThisUserSid();
  const std::wstring everyone = openness == Openness::kEveryone ? L"(A;;FA;;;WD)" : L"";
  return !user.empty() && SetSecurity(path, L"D:P(A;;FA;;;SY)(A;;FA;;;" + user + L")" + everyone,
                                      DACL_SECURITY_INFORMATION);
}

std::string GiveToAnotherUser(const std::filesystem::path& path) {
  const std::wstring user = ThisUserSid();
  SetSecurity(path, L"O:AN", OWNER_SECURITY_INFORMATION);
  if (RunningUnderWine() && OwnerOf(path) == user) {
    ChownUnderWine(path);
    // Wine's handle on a Linux program it started may signal before the program has ended.
    for (int wait = 0; wait < 100 && OwnerOf(path) == user; ++wait) {
      Sleep(50);
    }
  }
  const std::wstring owner = OwnerOf(path);
  return !owner.empty() && owner != user
             ? std::string()
             : "only an administrator may give a file to another user (under wine, only root)";
}
