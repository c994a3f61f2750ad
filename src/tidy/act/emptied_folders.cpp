#include "tidy/act/emptied_folders.h"

#include <algorithm>

#include "platform/entry_actions.h"
#include "platform/held_folder.h"
#include "tidy/report/group_check.h"
#include "tidy/report/shown_path.h"
#include "tidy/tidy_texts.h"

namespace {

// Removes `folder`, whose chain is `chain`, while it is empty and below --within; true when it
// went, so the folder above may have been left empty too.
bool RemoveIfEmptied(TextOutput& console, const PathString& folder,
                     const std::vector<FileIdentity>& chain,
                     const std::vector<FileIdentity>& within) {
  PathString parentText;
  PathString name;
  SplitPath(folder, &parentText, &name);
  if (name.empty() || chain.size() < 2) {
    return false;
  }
  const std::vector<FileIdentity> parentChain(chain.begin(), chain.end() - 1);
  HeldFolder parent;
  int errorCode = 0;
  bool moved = false;
  // The parent under --within (or one of its folders) puts the folder itself strictly below; it
  // is found again as the check found it, in a few system calls whatever its depth.
  if (HoldListedFolderAgain(parentText, parentChain, LevelUnderAny(parentChain, within), &parent,
                            &errorCode, &moved) != HoldResult::kHeld ||
      moved || !ChainUnderAny(parent.chain, within)) {
    return false;
  }
  // Only the folder the check held, not another put in its place since; a --within folder that
  // lies under another one stays too. Windows removes no folder held open, so the folder is let
  // go before it goes.
  HeldFolder self;
  if (HoldSubfolder(parent, name, false, &self, &errorCode) != HoldResult::kHeld ||
      !SameFile(self.chain.back(), chain.back()) || ChainUnderAny({self.chain.back()}, within)) {
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

void RemoveEmptiedFolders(TextOutput& console, const CheckedReport& checked,
                          std::vector<std::size_t> places,
                          const std::vector<FileIdentity>& within) {
  std::sort(places.begin(), places.end(), [&checked](std::size_t left, std::size_t right) {
    return checked.folders[left].text < checked.folders[right].text;
  });
  places.erase(std::unique(places.begin(), places.end()), places.end());
  for (const std::size_t place : places) {
    PathString folder = checked.folders[place].text;
    std::vector<FileIdentity> chain = LinkChain(checked.links, checked.folders[place].link);
    while (RemoveIfEmptied(console, folder, chain, within)) {
      PathString above;
      PathString name;
      SplitPath(folder, &above, &name);
      folder = above;
      chain.pop_back();
    }
  }
}
