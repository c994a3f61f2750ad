#include "tidy/act/emptied_folders.h"

#include <algorithm>

#include "platform/entry_actions.h"
#include "platform/held_folder.h"
#include "tidy/report/group_check.h"
#include "tidy/report/shown_path.h"
#include "tidy/tidy_texts.h"

namespace {

// Removes `folder` while it is empty and below --within; true when it went, so the folder above
// may have been left empty too.
bool RemoveIfEmptied(TextOutput& console, const PathString& folder,
                     const std::vector<FileIdentity>& within) {
  PathString parentText;
  PathString name;
  SplitPath(folder, &parentText, &name);
  if (name.empty()) {
    return false;
  }
  HeldFolder parent;
  int errorCode = 0;
  // The parent under --within (or one of its folders) puts the folder itself strictly below.
  if (HoldListedFolder(parentText, &parent, &errorCode) != HoldResult::kHeld ||
      !ChainUnderAny(parent.chain, within)) {
    return false;
  }
  // A --within folder that lies under another one stays too. Windows removes no folder held
  // open, so the folder is let go before it goes.
  HeldFolder self;
  if (HoldSubfolder(parent, name, false, &self, &errorCode) != HoldResult::kHeld ||
      ChainUnderAny({self.chain.back()}, within)) {
    return false;
  }
  self = HeldFolder();
  if (RemoveEmptyFolder(parent, name).result != ActionResult::kDone) {
    return false;
  }
  SyncFolder(parent);
  PrintText(console, kEmptiedFolderLine, ShownPath(folder).c_str());
  return true;
}

}  // namespace

void RemoveEmptiedFolders(TextOutput& console, std::vector<PathString> folders,
                          const std::vector<FileIdentity>& within) {
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (const PathString& emptied : folders) {
    PathString folder = emptied;
    while (RemoveIfEmptied(console, folder, within)) {
      PathString above;
      PathString name;
      SplitPath(folder, &above, &name);
      folder = above;
    }
  }
}
