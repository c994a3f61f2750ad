#include "tidy/plan/folder_listing.h"

#include <algorithm>
#include <utility>

#include "platform/directory.h"
#include "platform/held_folder.h"

namespace {

PathString ListingPath(const PathString& text) { return text.empty() ? PATH_TEXT(".") : text; }

// The identity of the folder itself, for a listing that gave none for it (Windows lists no file
// indexes); unknown when it cannot be listed.
FileIdentity FolderIdentity(const FolderNode& node) {
  int errorCode = 0;
  DirectoryListing* open = OpenFolderListing(ListingPath(node.text), node.identity, &errorCode);
  if (open == nullptr) {
    return FileIdentity();
  }
  const FileIdentity identity = ListedFolderIdentity(open);
  CloseListing(open);
  return identity;
}

}  // namespace

SortedListing ListFolder(const FolderNode& node) {
  SortedListing listing;
  int errorCode = 0;
  DirectoryListing* open = OpenFolderListing(ListingPath(node.text), node.identity, &errorCode);
  if (open == nullptr) {
    return listing;
  }
  listing.identity = ListedFolderIdentity(open);
  ListOtherEntries(open);
  DirectoryEntry entry;
  while (NextEntry(open, &entry, &errorCode)) {
    PathString name(entry.name, entry.nameLength);
    if (entry.kind == EntryKind::kOther) {
      listing.others = true;
    } else if (entry.kind == EntryKind::kDirectory) {
      listing.folders.emplace_back(std::move(name), entry.identity);
    } else {
      listing.files.emplace_back(std::move(name), entry.size);
    }
  }
  CloseListing(open);
  listing.listed = errorCode == 0;
  std::sort(listing.files.begin(), listing.files.end());
  std::sort(listing.folders.begin(), listing.folders.end(),
            [](const auto& left, const auto& right) { return left.first < right.first; });
  return listing;
}

FolderNode ChildNode(const FolderNode& parent, const PathString& name,
                     const FileIdentity& identity) {
  FolderNode child;
  child.text = parent.text.empty() ? name : parent.text + kPathSeparator + name;
  child.identity = identity;
  return child;
}

bool ParentNode(const FolderNode& node, FolderNode* parent, ListingCache* cache) {
  PathString above;
  PathString name;
  SplitPath(node.text, &above, &name);
  if (name.empty() || name == PATH_TEXT(".") || name == PATH_TEXT("..")) {
    return false;
  }
  parent->text = above;
  parent->identity = FileIdentity();
  auto cached = cache->find(above);
  if (cached == cache->end()) {
    cached = cache->emplace(above, ListFolder(*parent)).first;
  }
  const SortedListing& listing = cached->second;
  for (const auto& folder : listing.folders) {
    if (SameEntryName(folder.first, name) &&
        SameFile(folder.second.known ? folder.second : FolderIdentity(ChildNode(*parent, name, {})),
                 node.identity)) {
      parent->identity = listing.identity;
      return true;
    }
  }
  return false;
}
