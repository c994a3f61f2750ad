#include "catalogue/walk_places.h"

#include <algorithm>
#include <utility>

#include "catalogue/path_store.h"
#include "platform/directory.h"

std::uint32_t AddSearchRoot(WalkPlaces& places, const PathString& typed) {
  places.roots.push_back(SearchRoot{ShownRootPath(typed), SystemRootPath(typed)});
  return static_cast<std::uint32_t>(places.roots.size() - 1);
}

std::uint32_t AddListedFolder(WalkPlaces& places, const ListedFolder& folder) {
  places.folders.push_back(folder);
  return static_cast<std::uint32_t>(places.folders.size() - 1);
}

void NoteRepeatedFolders(WalkPlaces& places) {
  // Sorted once at the end of the walk: a set kept during it cost more memory per folder than
  // the folder's own entry.
  std::vector<std::pair<FileIdentity, std::uint64_t>> identities;
  for (const ListedFolder& folder : places.folders) {
    if (folder.identity.known) {
      identities.emplace_back(folder.identity, folder.generation);
    }
  }
  std::sort(identities.begin(), identities.end());
  places.foldersRepeat =
      std::adjacent_find(identities.begin(), identities.end()) != identities.end();
}

PathString ShownPath(const SearchRoot& root, const PathString& path) {
  return root.shown + path.substr(root.system.size());
}

PathString ShownPath(const WalkPlaces& places, const FileRecord& record) {
  const SearchRoot& root = places.roots[places.folders[KeptFolder(record.path)].root];
  return ShownPath(root, record.path);
}

EntryKey EntryOf(const WalkPlaces& places, const FileRecord& record) {
  const std::basic_string_view<PathChar> path(record.path);
  // The walk joins every name to its folder's path with one separator, and no name holds one.
  const std::size_t separator = path.rfind(kPathSeparator);
  const std::size_t nameStart =
      separator == std::basic_string_view<PathChar>::npos ? 0 : separator + 1;
  const ListedFolder& folder = places.folders[KeptFolder(record.path)];
  return EntryKey{folder.identity, folder.generation, path.substr(nameStart)};
}
