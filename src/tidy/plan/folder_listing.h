// A folder's entries sorted by name, for laying two folders side by side: the reading half of
// finding copied folders.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "platform/file_identity.h"
#include "platform/path_text.h"

/// A folder as its path spells it, with its identity when known.
struct FolderNode {
  PathString text;
  FileIdentity identity;
};

struct SortedListing {
  bool listed = false;
  bool others = false;  ///< it holds a link, FIFO, socket or device: no copy of a folder's files
  FileIdentity identity;
  std::vector<std::pair<PathString, std::int64_t>> files;    // name, size; by name
  std::vector<std::pair<PathString, FileIdentity>> folders;  // by name
};

/// The folder's files and folders, each sorted by name; `listed` false when it could not be read
/// whole.
SortedListing ListFolder(const FolderNode& node);

/// The folder `name` in `parent`.
FolderNode ChildNode(const FolderNode& parent, const PathString& name,
                     const FileIdentity& identity);

/// Listings already read, by the folder's text: many folders climb to one parent.
using ListingCache = std::map<PathString, SortedListing>;

/// The folder above, by its text; false unless its listing holds `node` itself, so a path that
/// ends in ".." or was renamed since climbs nowhere. The parent's listing is read once per
/// `cache`: a thousand day folders climbing to their one parent listed it a thousand times.
bool ParentNode(const FolderNode& node, FolderNode* parent, ListingCache* cache);
