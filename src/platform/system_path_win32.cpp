// Windows path text for system calls: full paths in the "\\?\" form.
#include "platform/system_path_win32.h"

#include <windows.h>

#include <algorithm>

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

bool IsSeparator(PathChar character) { return character == L'\\' || character == L'/'; }

// The part of a printed path that Win32 resolves by its own rules: "\\server\share" (and the
// "\\.\C:" device form), "C:\", the drive-relative "C:", the current drive's "\", or nothing
// for a path relative to the working folder.
std::size_t LeadLength(const PathString& path) {
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    std::size_t end = 2;
    for (int name = 0; name < 2 && end < path.size(); ++name) {
      while (end < path.size() && !IsSeparator(path[end])) {
        ++end;
      }
      if (name == 0 && end < path.size()) {
        ++end;
      }
    }
    return end;
  }
  if (path.size() >= 2 && path[1] == L':') {
    return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
  }
  return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
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

std::size_t VolumeLength(const PathString& full) {
  if (StartsWith(full, kVerbatimUncPrefix)) {
    const std::size_t server = full.find(L'\\', kVerbatimUncPrefix.size());
    const std::size_t share = server == PathString::npos ? server : full.find(L'\\', server + 1);
    return share == PathString::npos ? full.size() : share + 1;
  }
  const std::size_t drive = full.find(L'\\', kVerbatimPrefix.size());
  return drive == PathString::npos ? full.size() : drive + 1;
}

PathString ListedPath(const PathString& path) {
  if (StartsWith(path, kVerbatimPrefix)) {
    return path;
  }
  const std::size_t lead = LeadLength(path);
  PathString full = VerbatimPath(lead == 0 ? PathString(L".") : path.substr(0, lead));
  if (!StartsWith(full, kVerbatimPrefix)) {
    return path;
  }
  // Kept without a trailing separator, so that each name joins with one; ".." never climbs out
  // of the volume, as Win32's never does.
  std::size_t volume = VolumeLength(full);
  if (IsSeparator(full[volume - 1])) {
    --volume;
  }
  full.resize(std::max(volume, full.find_last_not_of(L'\\') + 1));
  for (std::size_t position = lead; position < path.size();) {
    std::size_t end = position;
    while (end < path.size() && !IsSeparator(path[end])) {
      ++end;
    }
    const PathString name = path.substr(position, end - position);
    if (name == L"..") {
      full.resize(std::max(volume, full.rfind(L'\\')));
    } else if (!name.empty() && name != L".") {
      full += L'\\' + name;
    }
    position = end + 1;
  }
  return full.size() == volume ? full + L'\\' : full;
}
