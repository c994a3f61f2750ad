// Windows handle names: FILE_NAME_INFO, which wine fills from the Linux path it opened, links
// followed.
#include "platform/handle_name_win32.h"

#include <cstdint>
#include <vector>

#include "platform/held_folder.h"

namespace {

// Wine gives a handle's name with the trailing dots and spaces of its last name dropped ("sub."
// comes back "sub", and so does "sub." as a folder a longer name is compared with), so names
// are compared without them.
PathString Trimmed(const PathString& name) {
  const std::size_t end = name.find_last_not_of(L". ");
  return name.substr(0, end == PathString::npos ? 0 : end + 1);
}

bool SameName(const PathString& left, const PathString& right) {
  return SameEntryName(Trimmed(left), Trimmed(right));
}

}  // namespace

PathString HandleName(HANDLE handle) {
  // Room for the longest path the system takes, so one call always serves.
  std::vector<std::uint64_t> buffer(
      (sizeof(FILE_NAME_INFO) + kPathCapacity * sizeof(wchar_t)) / sizeof(std::uint64_t) + 1);
  FILE_NAME_INFO* info = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
  if (!GetFileInformationByHandleEx(handle, FileNameInfo, info,
                                    static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t)))) {
    return PathString();
  }
  return PathString(info->FileName, info->FileNameLength / sizeof(wchar_t));
}

bool IsNamedEntry(const PathString& handleName, const PathString& folderName,
                  const PathString& entryPath, const PathString& name) {
  if (folderName.empty()) {
    return true;
  }
  const std::size_t separator = handleName.rfind(L'\\');
  const PathString parent =
      folderName.back() == L'\\' ? folderName.substr(0, folderName.size() - 1) : folderName;
  if (separator == PathString::npos || !SameName(handleName.substr(0, separator), parent)) {
    return false;
  }
  const PathString last = handleName.substr(separator + 1);
  if (SameName(last, name)) {
    return true;
  }
  WIN32_FIND_DATAW record;
  const HANDLE found = FindFirstFileExW(entryPath.c_str(), FindExInfoBasic, &record,
                                        FindExSearchNameMatch, nullptr, 0);
  if (found == INVALID_HANDLE_VALUE) {
    return false;
  }
  FindClose(found);
  return SameName(last, record.cFileName);
}

bool SameEntryName(const PathString& left, const PathString& right) {
  return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                              static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

bool SameNameCharacter(PathChar left, PathChar right) {
  return CompareStringOrdinal(&left, 1, &right, 1, TRUE) == CSTR_EQUAL;
}
