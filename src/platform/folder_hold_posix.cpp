// POSIX only: one folder held open by its path; see folder_hold_posix.h.
#include "platform/folder_hold_posix.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A folder held only to look up the names in it: O_PATH opens nothing for reading, and O_NOFOLLOW
// refuses a link put in the folder's place.
constexpr int kFolderOpenFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

struct HeldFolder {
  bool holding = false;
  std::string path;  ///< the folder's path, as the paths of its files begin
  int descriptor = AT_FDCWD;
  std::vector<int> letGo;
};

HeldFolder theFolder;

void LetGoLater() {
  if (theFolder.descriptor >= 0) {
    theFolder.letGo.push_back(theFolder.descriptor);
  }
  theFolder.descriptor = AT_FDCWD;
  theFolder.path.clear();
}

}  // namespace

NameInFolder HoldFolderOf(const char* path) {
  const char* slash = std::strrchr(path, '/');
  // A path longer than the system takes fails as it always did (ENAMETOOLONG), though its folder
  // and name would each be short enough: a run reports the file it cannot open.
  if (!theFolder.holding || slash == nullptr || slash == path || std::strlen(path) >= PATH_MAX) {
    return NameInFolder{AT_FDCWD, path};
  }
  const std::size_t length = static_cast<std::size_t>(slash - path);
  if (theFolder.path.size() != length || theFolder.path.compare(0, length, path, length) != 0) {
    LetGoLater();
    // A folder that will not open keeps its path all the same: its other files go by their whole
    // path, as the first one, without trying again.
    theFolder.path.assign(path, length);
    const int descriptor = open(theFolder.path.c_str(), kFolderOpenFlags);
    theFolder.descriptor = descriptor >= 0 ? descriptor : AT_FDCWD;
  }
  if (theFolder.descriptor == AT_FDCWD) {
    return NameInFolder{AT_FDCWD, path};
  }
  return NameInFolder{theFolder.descriptor, slash + 1};
}

void CloseFoldersLetGo() {
  for (const int descriptor : theFolder.letGo) {
    close(descriptor);
  }
  theFolder.letGo.clear();
}

bool LetHeldFolderGo() {
  const bool held = theFolder.descriptor >= 0;
  LetGoLater();
  CloseFoldersLetGo();
  return held;
}

void HoldFolders(bool hold) {
  theFolder.holding = hold;
  if (!hold) {
    LetHeldFolderGo();
  }
}
