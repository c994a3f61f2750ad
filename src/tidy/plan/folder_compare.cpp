#include "tidy/plan/folder_compare.h"

#include <algorithm>

namespace {

const FileRef* FindFile(const CopyFinder& finder, const FileIdentity& folder,
                        const PathString& name) {
  const auto found = finder.files.find(folder);
  if (found == finder.files.end()) {
    return nullptr;
  }
  const auto at = std::lower_bound(
      found->second.begin(), found->second.end(), name,
      [](const FileRef& file, const PathString& wanted) { return file.name < wanted; });
  return at != found->second.end() && at->name == name ? &*at : nullptr;
}

bool SameNames(const SortedListing& first, const SortedListing& second) {
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
bool FilesMatch(const CopyFinder& finder, const SortedListing& first, const SortedListing& second,
                std::size_t index, PairEntry* entry) {
  const std::int64_t size = first.files[index].second;
  if (size == 0 && second.files[index].second == 0) {
    ++entry->match.files;
    return true;
  }
  const FileRef* left = FindFile(finder, first.identity, first.files[index].first);
  const FileRef* right = FindFile(finder, second.identity, second.files[index].first);
  if (left == nullptr || right == nullptr || left->plan != right->plan) {
    return false;
  }
  const GroupPlan& plan = finder.plans[left->plan];
  ++entry->match.files;
  entry->match.keptFirst += plan.kept == left->member;
  entry->match.keptSecond += plan.kept == right->member;
  entry->files.emplace_back(left->plan, left->member);
  entry->files.emplace_back(right->plan, right->member);
  return true;
}

// The pair's own files and its subfolders' pairs; false as soon as they are not copies.
bool CompareListed(CopyFinder& finder, const FolderNode& first, const FolderNode& second,
                   const SortedListing& left, const SortedListing& right, PairEntry* entry) {
  if (!SameNames(left, right)) {
    return false;
  }
  for (std::size_t index = 0; index < left.files.size(); ++index) {
    if (!FilesMatch(finder, left, right, index, entry)) {
      return false;
    }
  }
  for (std::size_t index = 0; index < left.folders.size(); ++index) {
    const PathString& name = left.folders[index].first;
    const std::size_t below =
        CompareFolders(finder, ChildNode(first, name, left.folders[index].second),
                       ChildNode(second, name, right.folders[index].second));
    const FolderMatch& match = finder.pairs[below].match;
    if (!match.copies) {
      return false;
    }
    entry->match.files += match.files;
    entry->match.keptFirst += match.keptFirst;
    entry->match.keptSecond += match.keptSecond;
    entry->below.push_back(below);
  }
  return true;
}

bool BothKnown(const FolderNode& first, const FolderNode& second) {
  return first.identity.known && second.identity.known;
}

}  // namespace

std::size_t CompareFolders(CopyFinder& finder, const FolderNode& first, const FolderNode& second) {
  const FolderPairKey key{first.identity, second.identity};
  if (BothKnown(first, second)) {
    const auto found = finder.matches.find(key);
    if (found != finder.matches.end()) {
      return found->second;
    }
    finder.matches.emplace(key, finder.pairs.size());
  }
  const std::size_t index = finder.pairs.size();
  finder.pairs.emplace_back();  // no copy while it is being decided
  const SortedListing left = ListFolder(first);
  const SortedListing right = ListFolder(second);
  PairEntry entry;
  // A link, FIFO, socket or device in either is nothing the report compared: removing the folder
  // would lose it.
  if (left.listed && right.listed && !left.others && !right.others &&
      !SameFile(left.identity, right.identity) &&
      CompareListed(finder, first, second, left, right, &entry)) {
    entry.match.copies = true;
    finder.pairs[index] = std::move(entry);
  }
  return index;
}

std::vector<std::pair<std::size_t, std::size_t>> CoveredFiles(const CopyFinder& finder,
                                                              std::size_t entry) {
  std::vector<std::pair<std::size_t, std::size_t>> covered;
  std::vector<std::size_t> waiting{entry};  // not recursion: a pair may be thousands deep
  while (!waiting.empty()) {
    const PairEntry& pair = finder.pairs[waiting.back()];
    waiting.pop_back();
    covered.insert(covered.end(), pair.files.begin(), pair.files.end());
    waiting.insert(waiting.end(), pair.below.rbegin(), pair.below.rend());
  }
  return covered;
}

void IndexFiles(CopyFinder* finder) {
  for (std::size_t plan = 0; plan < finder->plans.size(); ++plan) {
    const CheckedGroup& group = finder->checked.groups[finder->plans[plan].group];
    for (std::size_t member = 0; member < group.members.size(); ++member) {
      const Member& file = group.members[member];
      const FileIdentity& folder =
          PlaceIdentity(finder->checked, finder->checked.folders[file.folder]);
      const PathString name(finder->report.paths.at(file.path) + file.nameStart);
      finder->files[folder].push_back({name, plan, member});
    }
  }
  for (auto& folder : finder->files) {
    std::sort(folder.second.begin(), folder.second.end(),
              [](const FileRef& left, const FileRef& right) { return left.name < right.name; });
  }
}

ClimbedPair Climb(CopyFinder& finder, const FolderNode& first, const FolderNode& second,
                  std::size_t entry) {
  ClimbedPair at{first, second, entry};
  std::vector<FolderPairKey> passed;
  FolderNode up;
  FolderNode otherUp;
  for (;;) {
    if (BothKnown(at.first, at.second)) {
      const FolderPairKey key{at.first.identity, at.second.identity};
      const auto done = finder.climbed.find(key);
      if (done != finder.climbed.end()) {
        at = done->second;
        break;
      }
      passed.push_back(key);
    }
    if (!ParentNode(at.first, &up, &finder.parents) ||
        !ParentNode(at.second, &otherUp, &finder.parents) ||
        SameFile(up.identity, otherUp.identity) || SameFile(up.identity, at.second.identity) ||
        SameFile(otherUp.identity, at.first.identity)) {
      break;
    }
    const std::size_t above = CompareFolders(finder, up, otherUp);
    if (!finder.pairs[above].match.copies) {
      break;
    }
    at = ClimbedPair{up, otherUp, above};
  }
  for (const FolderPairKey& key : passed) {
    finder.climbed.emplace(key, at);
  }
  return at;
}
