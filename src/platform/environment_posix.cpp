// POSIX %NAME% expansion, following the rules of Windows' ExpandEnvironmentStrings, and the
// working folder's name.
#include "platform/environment.h"

#include <unistd.h>

#include <cstdlib>

PathString ExpandEnvironment(const PathString& text) {
  PathString result;
  std::size_t position = 0;
  while (position < text.size()) {
    const std::size_t open = text.find('%', position);
    if (open == PathString::npos) {
      result.append(text, position, PathString::npos);
      break;
    }
    result.append(text, position, open - position);
    const std::size_t close = text.find('%', open + 1);
    if (close == PathString::npos) {
      result.append(text, open, PathString::npos);  // unpaired: stays as written
      break;
    }
    const PathString name = text.substr(open + 1, close - open - 1);
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value != nullptr) {
      result.append(value);
      position = close + 1;
    } else {
      // An unset name stays as written; its closing % may open the next reference.
      result.append(text, open, close - open);
      position = close;
    }
    if (result.size() >= kPathCapacity) {
      break;
    }
  }
  if (result.size() > kPathCapacity - 1) {
    result.resize(kPathCapacity - 1);
  }
  return result;
}

PathString WorkingFolderName() {
  // glibc sizes the buffer itself; Linux answers ENOENT for a deleted folder, and glibc refuses a
  // folder out of the process's reach, which Linux would name "(unreachable)/...".
  char* name = getcwd(nullptr, 0);
  if (name == nullptr) {
    return PathString();
  }
  PathString folder = name;
  std::free(name);
  return folder;
}
