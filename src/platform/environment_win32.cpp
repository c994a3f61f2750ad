// Windows %NAME% expansion, the system's own ExpandEnvironmentStringsW, and the working folder's
// name.
#include "platform/environment.h"

#include <windows.h>

#include <vector>

PathString ExpandEnvironment(const PathString& text) {
  std::vector<wchar_t> buffer(kPathCapacity, L'\0');
  const DWORD needed =
      ExpandEnvironmentStringsW(text.c_str(), buffer.data(), static_cast<DWORD>(kPathCapacity));
  if (needed == 0) {
    return text;  // the call itself failed: the root stays as written
  }
  if (needed > kPathCapacity) {
    // Too long for the buffer: expanded whole into one that fits, then cut, so the result does
    // not depend on what the failed call left behind.
    std::vector<wchar_t> whole(needed, L'\0');
    if (ExpandEnvironmentStringsW(text.c_str(), whole.data(), needed) == needed) {
      return PathString(whole.data(), kPathCapacity - 1);
    }
  }
  buffer.back() = L'\0';
  return PathString(buffer.data());
}

PathString WorkingFolderName() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) {
    return PathString();
  }
  std::vector<wchar_t> buffer(needed, L'\0');
  const DWORD length = GetCurrentDirectoryW(needed, buffer.data());
  return length > 0 && length < needed ? PathString(buffer.data(), length) : PathString();
}
