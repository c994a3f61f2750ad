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
                std::size_t index, FolderMatch* match) {
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
  match->keptFirst += plan.kept == left->member;
  match->keptSecond += plan.kept == right->member;
  match->covered.emplace_back(left->plan, left->member);
  match->covered.emplace_back(right->plan, right->member);
  return true;
}

void Absorb(FolderMatch* into, const FolderMatch& from) {
  into->files += from.files;
  into->keptFirst += from.keptFirst;
  into->keptSecond += from.keptSecond;
  into->covered.insert(into->covered.end(), from.covered.begin(), from.covered.end());
}

FolderMatch CompareListed(CopyFinder& finder, const FolderNode& first, const FolderNode& second,
                          const SortedListing& left, const SortedListing& right) {
  FolderMatch match;
  if (!SameNames(left, right)) {
    return match;
  }
  for (std::size_t index = 0; index < left.files.size(); ++index) {
    if (!FilesMatch(finder, left, right, index, &match)) {
      return FolderMatch();
    }
  }
  for (std::size_t index = 0; index < left.folders.size(); ++index) {
    const PathString& name = left.folders[index].first;
    const FolderMatch below =
        CompareFolders(finder, ChildNode(first, name, left.folders[index].second),
                       ChildNode(second, name, right.folders[index].second));
    if (!below.copies) {
      return FolderMatch();
    }
    Absorb(&match, below);
  }
  match.copies = true;
  return match;
}

}  // namespace

FolderMatch CompareFolders(CopyFinder& finder, const FolderNode& first, const FolderNode& second) {
  const FolderPairKey key{first.identity, second.identity};
  if (first.identity.known && second.identity.known) {
    const auto found = finder.matches.find(key);
    if (found != finder.matches.end()) {
      return found->second;
    }
    finder.matches.emplace(key, FolderMatch());
  }
  const SortedListing left = ListFolder(first);
  const SortedListing right = ListFolder(second);
  FolderMatch match;
  if (left.listed && right.listed && !SameFile(left.identity, right.identity)) {
    match = CompareListed(finder, first, second, left, right);
  }
  if (first.identity.known && second.identity.known) {
    finder.matches[key] = match;
  }
  return match;
}

void IndexFiles(CopyFinder* finder) {
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

void Climb(CopyFinder& finder, FolderNode* first, FolderNode* second, FolderMatch* match) {
  FolderNode up;
  FolderNode otherUp;
  while (ParentNode(*first, &up) && ParentNode(*second, &otherUp) &&
         !SameFile(up.identity, otherUp.identity) && !SameFile(up.identity, second->identity) &&
         !SameFile(otherUp.identity, first->identity)) {
    const FolderMatch above = CompareFolders(finder, up, otherUp);
    if (!above.copies) {
      return;
    }
    *first = up;
    *second = otherUp;
    *match = above;
  }
}
