#include "tidy/plan/copy_folders.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#include "platform/directory.h"
#include "platform/held_folder.h"

namespace {

// A group with more files of one name than this adds no folder pairs: its pairs grow with the
// square of its size, and a folder the limit leaves out is only not shown as a copy.
constexpr std::size_t kMostNamesake = 32;

using PairKey = std::pair<FileIdentity, FileIdentity>;

struct Node {
  PathString text;
  FileIdentity identity;
};

struct FileRef {
  PathString name;
  std::size_t plan = 0;
  std::size_t member = 0;
};

struct Match {
  bool copies = false;
  long long files = 0;
  std::int64_t bytes = 0;
  long long keptFirst = 0;  ///< kept files in the first folder of the pair
  long long keptSecond = 0;
  std::vector<std::pair<std::size_t, std::size_t>> covered;  ///< (plan, member)
};

struct Listing {
  bool listed = false;
  FileIdentity identity;
  std::vector<std::pair<PathString, std::int64_t>> files;    // name, size; by name
  std::vector<std::pair<PathString, FileIdentity>> folders;  // by name
};

struct Finder {
  const Report& report;
  const CheckedReport& checked;
  const std::vector<GroupPlan>& plans;
  std::map<FileIdentity, std::vector<FileRef>> files;  // by name within each folder
  std::map<PairKey, Match> matches;                    // decided or being decided
};

PathString ListingPath(const PathString& text) { return text.empty() ? PATH_TEXT(".") : text; }

Listing ListFolder(const Node& node) {
  Listing listing;
  int errorCode = 0;
  DirectoryListing* open = OpenFolderListing(ListingPath(node.text), node.identity, &errorCode);
  if (open == nullptr) {
    return listing;
  }
  listing.identity = ListedFolderIdentity(open);
  DirectoryEntry entry;
  while (NextEntry(open, &entry, &errorCode)) {
    PathString name(entry.name, entry.nameLength);
    if (entry.kind == EntryKind::kDirectory) {
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

// The identity of the folder itself, for a listing that gave none for it (Windows lists no file
// indexes); unknown when it cannot be listed.
FileIdentity FolderIdentity(const Node& node) {
  int errorCode = 0;
  DirectoryListing* open = OpenFolderListing(ListingPath(node.text), node.identity, &errorCode);
  if (open == nullptr) {
    return FileIdentity();
  }
  const FileIdentity identity = ListedFolderIdentity(open);
  CloseListing(open);
  return identity;
}

const FileRef* FindFile(const Finder& finder, const FileIdentity& folder, const PathString& name) {
  const auto found = finder.files.find(folder);
  if (found == finder.files.end()) {
    return nullptr;
  }
  const auto at = std::lower_bound(
      found->second.begin(), found->second.end(), name,
      [](const FileRef& file, const PathString& wanted) { return file.name < wanted; });
  return at != found->second.end() && at->name == name ? &*at : nullptr;
}

bool SameNames(const Listing& first, const Listing& second) {
  if (first.files.size() != second.files.size() || first.folders.size() != second.folders.size()) {
    return false;
  }
  for (std::size_t index = 0; index < first.files.size(); ++index) {
    if (first.files[index].first != second.files[index].first) {
      return false;
    }
  }
  for (std::size_t index = 0; index < first.folders.size(); ++index) {
    if (first.folders[index].first != second.folders[index].first) {
      return false;
    }
  }
  return true;
}

// Two files of one name: equal when both are empty, or both are in one verified group.
bool FilesMatch(const Finder& finder, const Listing& first, const Listing& second,
                std::size_t index, Match* match) {
  const std::int64_t size = first.files[index].second;
  if (size == 0 && second.files[index].second == 0) {
    ++match->files;
    return true;
  }
  const FileRef* left = FindFile(finder, first.identity, first.files[index].first);
  const FileRef* right = FindFile(finder, second.identity, second.files[index].first);
  if (left == nullptr || right == nullptr || left->plan != right->plan) {
    return false;
  }
  const GroupPlan& plan = finder.plans[left->plan];
  ++match->files;
  match->bytes += finder.checked.groups[plan.group].size;
  match->keptFirst += plan.kept == left->member;
  match->keptSecond += plan.kept == right->member;
  match->covered.emplace_back(left->plan, left->member);
  match->covered.emplace_back(right->plan, right->member);
  return true;
}

Node Child(const Node& parent, const PathString& name, const FileIdentity& identity) {
  Node child;
  child.text = parent.text.empty() ? name : parent.text + kPathSeparator + name;
  child.identity = identity;
  return child;
}

void Absorb(Match* into, const Match& from) {
  into->files += from.files;
  into->bytes += from.bytes;
  into->keptFirst += from.keptFirst;
  into->keptSecond += from.keptSecond;
  into->covered.insert(into->covered.end(), from.covered.begin(), from.covered.end());
}

Match Compare(Finder& finder, const Node& first, const Node& second);

Match CompareListed(Finder& finder, const Node& first, const Node& second, const Listing& left,
                    const Listing& right) {
  Match match;
  if (!SameNames(left, right)) {
    return match;
  }
  for (std::size_t index = 0; index < left.files.size(); ++index) {
    if (!FilesMatch(finder, left, right, index, &match)) {
      return Match();
    }
  }
  for (std::size_t index = 0; index < left.folders.size(); ++index) {
    const PathString& name = left.folders[index].first;
    const Match below = Compare(finder, Child(first, name, left.folders[index].second),
                                Child(second, name, right.folders[index].second));
    if (!below.copies) {
      return Match();
    }
    Absorb(&match, below);
  }
  match.copies = true;
  return match;
}

// Whether the two folders are copies of each other, and of how much. A pair met again while it
// is being decided (a folder that is its own ancestor through a mount) is no copy.
Match Compare(Finder& finder, const Node& first, const Node& second) {
  const PairKey key{first.identity, second.identity};
  if (first.identity.known && second.identity.known) {
    const auto found = finder.matches.find(key);
    if (found != finder.matches.end()) {
      return found->second;
    }
    finder.matches.emplace(key, Match());
  }
  const Listing left = ListFolder(first);
  const Listing right = ListFolder(second);
  Match match;
  if (left.listed && right.listed && !SameFile(left.identity, right.identity)) {
    match = CompareListed(finder, first, second, left, right);
  }
  if (first.identity.known && second.identity.known) {
    finder.matches[key] = match;
  }
  return match;
}

void IndexFiles(Finder* finder) {
  for (std::size_t plan = 0; plan < finder->plans.size(); ++plan) {
    const CheckedGroup& group = finder->checked.groups[finder->plans[plan].group];
    for (std::size_t member = 0; member < group.members.size(); ++member) {
      const Member& file = group.members[member];
      const FileIdentity& folder = finder->checked.folders[file.folder].chain.back();
      const PathString name(finder->report.paths.at(file.path) + file.nameStart);
      finder->files[folder].push_back({name, plan, member});
    }
  }
  for (auto& folder : finder->files) {
    std::sort(folder.second.begin(), folder.second.end(),
              [](const FileRef& left, const FileRef& right) { return left.name < right.name; });
  }
}

// Pairs of folders that share a file of one name and one group: the only folders that can be
// copies of each other.
std::map<PairKey, std::pair<std::size_t, std::size_t>> CandidatePairs(const Finder& finder) {
  std::map<PairKey, std::pair<std::size_t, std::size_t>> pairs;  // -> folder places
  for (const GroupPlan& plan : finder.plans) {
    const CheckedGroup& group = finder.checked.groups[plan.group];
    std::vector<std::pair<PathString, std::size_t>> names;
    for (std::size_t member = 0; member < group.members.size(); ++member) {
      const Member& file = group.members[member];
      names.emplace_back(finder.report.paths.at(file.path) + file.nameStart, file.folder);
    }
    std::sort(names.begin(), names.end());
    for (std::size_t first = 0; first < names.size();) {
      std::size_t end = first;
      while (end < names.size() && names[end].first == names[first].first) {
        ++end;
      }
      for (std::size_t left = first; end - first <= kMostNamesake && left < end; ++left) {
        for (std::size_t right = left + 1; right < end; ++right) {
          const FileIdentity& a = finder.checked.folders[names[left].second].chain.back();
          const FileIdentity& b = finder.checked.folders[names[right].second].chain.back();
          if (!SameFile(a, b)) {
            const bool ordered = a < b;
            const std::size_t low = ordered ? names[left].second : names[right].second;
            const std::size_t high = ordered ? names[right].second : names[left].second;
            const FileIdentity& lowId = finder.checked.folders[low].chain.back();
            const FileIdentity& highId = finder.checked.folders[high].chain.back();
            pairs.emplace(PairKey{lowId, highId}, std::make_pair(low, high));
          }
        }
      }
      first = end;
    }
  }
  return pairs;
}

Node NodeOf(const FolderPlace& place) {
  Node node;
  node.text = place.text;
  node.identity = place.chain.back();
  return node;
}

// The folder above, by its text; kept only if its listing holds `node` itself, so a path that
// ends in ".." or was renamed since climbs nowhere.
bool Parent(const Node& node, Node* parent) {
  PathString above;
  PathString name;
  SplitPath(node.text, &above, &name);
  if (name.empty() || name == PATH_TEXT(".") || name == PATH_TEXT("..")) {
    return false;
  }
  parent->text = above;
  parent->identity = FileIdentity();
  const Listing listing = ListFolder(*parent);
  for (const auto& folder : listing.folders) {
    if (SameEntryName(folder.first, name) &&
        SameFile(folder.second.known ? folder.second : FolderIdentity(Child(*parent, name, {})),
                 node.identity)) {
      parent->identity = listing.identity;
      return true;
    }
  }
  return false;
}

// Climbs from a pair of copies to the highest pair of folders that are still copies.
void Climb(Finder& finder, Node* first, Node* second, Match* match) {
  Node up;
  Node otherUp;
  while (Parent(*first, &up) && Parent(*second, &otherUp) &&
         !SameFile(up.identity, otherUp.identity) && !SameFile(up.identity, second->identity) &&
         !SameFile(otherUp.identity, first->identity)) {
    const Match above = Compare(finder, up, otherUp);
    if (!above.copies) {
      return;
    }
    *first = up;
    *second = otherUp;
    *match = above;
  }
}

struct Found {
  Node first;
  Node second;
  Match match;
};

void AddFolder(const Found& found, CopyFolders* result) {
  const bool firstIsCopy =
      found.match.keptFirst < found.match.keptSecond ||
      (found.match.keptFirst == found.match.keptSecond && found.second.text < found.first.text);
  CopiedFolder folder;
  folder.copy = (firstIsCopy ? found.first : found.second).text + kPathSeparator;
  folder.original = (firstIsCopy ? found.second : found.first).text + kPathSeparator;
  folder.files = found.match.files;
  folder.bytes = found.match.bytes;
  result->folders.push_back(std::move(folder));
}

}  // namespace

CopyFolders FindCopyFolders(const Report& report, const CheckedReport& checked,
                            const std::vector<GroupPlan>& plans) {
  Finder finder{report, checked, plans, {}, {}};
  IndexFiles(&finder);
  std::map<PairKey, Found> tops;
  for (const auto& candidate : CandidatePairs(finder)) {
    Found found{NodeOf(checked.folders[candidate.second.first]),
                NodeOf(checked.folders[candidate.second.second]), Match()};
    found.match = Compare(finder, found.first, found.second);
    if (!found.match.copies || found.match.files == 0) {
      continue;
    }
    Climb(finder, &found.first, &found.second, &found.match);
    tops.emplace(PairKey{found.first.identity, found.second.identity}, std::move(found));
  }
  CopyFolders result;
  result.folded.assign(plans.size(), false);
  std::vector<std::vector<bool>> covered(plans.size());
  for (std::size_t plan = 0; plan < plans.size(); ++plan) {
    covered[plan].assign(checked.groups[plans[plan].group].members.size(), false);
  }
  for (const auto& top : tops) {
    AddFolder(top.second, &result);
    for (const auto& file : top.second.match.covered) {
      covered[file.first][file.second] = true;
    }
  }
  for (std::size_t plan = 0; plan < plans.size(); ++plan) {
    result.folded[plan] =
        std::all_of(covered[plan].begin(), covered[plan].end(), [](bool on) { return on; });
  }
  std::sort(result.folders.begin(), result.folders.end(),
            [](const CopiedFolder& left, const CopiedFolder& right) {
              return std::tie(right.bytes, left.copy) < std::tie(left.bytes, right.copy);
            });
  // Three copies of one folder make three pairs: each copy is shown once, with the first
  // (largest) original found for it.
  std::set<PathString> shown;
  std::vector<CopiedFolder> once;
  for (CopiedFolder& folder : result.folders) {
    if (shown.insert(folder.copy).second) {
      once.push_back(std::move(folder));
    }
  }
  result.folders = std::move(once);
  return result;
}
