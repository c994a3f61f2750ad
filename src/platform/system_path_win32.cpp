// Windows path text for system calls: full paths in the "\\?\" form.
#include "platform/system_path_win32.h"

#include <windows.h>

namespace {

// CreateDirectoryW's limit (MAX_PATH less room for an 8.3 name) is the lowest of the classic
// ones; below it every call accepts the path as it is.
constexpr std::size_t kClassicLimit = MAX_PATH - 12;

const PathString kVerbatimPrefix = L"\\\\?\\";
const PathString kDevicePrefix = L"\\\\.\\";
const PathString kVerbatimUncPrefix = L"\\\\?\\UNC\\";

bool StartsWith(const PathString& text, const PathString& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

PathString VerbatimPath(const PathString& path) {
  if (StartsWith(path, kVerbatimPrefix)) {
    return path;
  }
  // "\\?\" switches off the system's own parsing, so the full path must be made first: it
  // resolves a relative path, turns '/' into '\' and drops the doubled separator that a root
  // ending in '\' leaves. GetFullPathNameW itself has no MAX_PATH limit.
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) {
    return path;
  }
  PathString full(needed, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
  if (written == 0 || written >= needed) {
    return path;
  }
  full.resize(written);
  // "//?/C:/x" and "\\?/C:\x" are parsed as "\\.\" paths are, and come back full with the '?':
  // taken below for a UNC path, they became "\\?\UNC\?\C:\x", which no listing found (3).
  if (StartsWith(full, kVerbatimPrefix)) {
    return full;
  }
  if (StartsWith(full, kDevicePrefix)) {
    return kVerbatimPrefix + full.substr(kDevicePrefix.size());  // \\.\C:\... → \\?\C:\...
  }
  if (StartsWith(full, L"\\\\")) {
    return kVerbatimUncPrefix + full.substr(2);  // \\server\share\... → \\?\UNC\server\share\...
  }
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') {
    return kVerbatimPrefix + full;
  }
  return path;
}

PathString SystemPath(const PathString& path) {
  if (path.size() < kClassicLimit || StartsWith(path, kVerbatimPrefix) ||
      StartsWith(path, kDevicePrefix)) {
    return path;
  }
  return VerbatimPath(path);
}
