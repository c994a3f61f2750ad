#include "tidy/plan/copy_folders.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <utility>

#include "tidy/plan/folder_compare.h"

namespace {

// A group with more files of one name than this adds no folder pairs: its pairs grow with the
// square of its size, and a folder the limit leaves out is only not shown as a copy.
constexpr std::size_t kMostNamesake = 32;

const FileIdentity& FolderIdentity(const CopyFinder& finder, std::size_t folder) {
  return PlaceIdentity(finder.checked, finder.checked.folders[folder]);
}

// Pairs of folders that share a file of one name and one group: the only folders that can be
// copies of each other.
std::map<FolderPairKey, std::pair<std::size_t, std::size_t>> CandidatePairs(
    const CopyFinder& finder) {
  std::map<FolderPairKey, std::pair<std::size_t, std::size_t>> pairs;  // -> folder places
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
          const FileIdentity& a = FolderIdentity(finder, names[left].second);
          const FileIdentity& b = FolderIdentity(finder, names[right].second);
          if (!SameFile(a, b)) {
            const bool ordered = a < b;
            const std::size_t low = ordered ? names[left].second : names[right].second;
            const std::size_t high = ordered ? names[right].second : names[left].second;
            const FileIdentity& lowId = FolderIdentity(finder, low);
            const FileIdentity& highId = FolderIdentity(finder, high);
            pairs.emplace(FolderPairKey{lowId, highId}, std::make_pair(low, high));
          }
        }
      }
      first = end;
    }
  }
  return pairs;
}

FolderNode NodeOf(const CopyFinder& finder, std::size_t folder) {
  FolderNode node;
  node.text = finder.checked.folders[folder].text;
  node.identity = FolderIdentity(finder, folder);
  return node;
}

// What acting on the copy's files gives back to the disk: a file with a name outside the copy (a
// snapshot of hard links, made by cp -al) frees nothing, nor does one the plan leaves as it is
// (for its owner, who may write the kept file, outside --within), which `someLeft` then says.
std::int64_t CopyFreed(const CopyFinder& finder,
                       const std::vector<std::pair<std::size_t, std::size_t>>& covered,
                       bool firstIsCopy, bool* someLeft) {
  std::map<std::size_t, std::vector<bool>> removed;  // by plan, its members in the copy
  // The covered files come in pairs, the first folder's file first.
  for (std::size_t at = firstIsCopy ? 0 : 1; at < covered.size(); at += 2) {
    const std::size_t plan = covered[at].first;
    std::vector<bool>& marks = removed[plan];
    marks.resize(finder.checked.groups[finder.plans[plan].group].members.size());
    const Fate fate = finder.plans[plan].fates[covered[at].second];
    marks[covered[at].second] = fate == Fate::kAct;
    *someLeft = *someLeft || (fate != Fate::kAct && fate != Fate::kLinkOfKept);
  }
  std::int64_t freed = 0;
  for (const auto& plan : removed) {
    freed += FreedBy(finder.checked.groups[finder.plans[plan.first].group], plan.second).disk;
  }
  return freed;
}

void AddFolder(const CopyFinder& finder, const ClimbedPair& found,
               const std::vector<std::pair<std::size_t, std::size_t>>& covered,
               CopyFolders* result) {
  const FolderMatch& match = finder.pairs[found.entry].match;
  const bool firstIsCopy =
      match.keptFirst < match.keptSecond ||
      (match.keptFirst == match.keptSecond && found.second.text < found.first.text);
  CopiedFolder folder;
  folder.copy = (firstIsCopy ? found.first : found.second).text + kPathSeparator;
  folder.original = (firstIsCopy ? found.second : found.first).text + kPathSeparator;
  folder.files = match.files;
  folder.bytes = CopyFreed(finder, covered, firstIsCopy, &folder.someLeft);
  result->folders.push_back(std::move(folder));
}

}  // namespace

CopyFolders FindCopyFolders(const Report& report, const CheckedReport& checked,
                            const std::vector<GroupPlan>& plans) {
  CopyFinder finder{report, checked, plans, {}, {}, {}, {}, {}};
  IndexFiles(&finder);
  std::map<FolderPairKey, ClimbedPair> tops;
  for (const auto& candidate : CandidatePairs(finder)) {
    const FolderNode first = NodeOf(finder, candidate.second.first);
    const FolderNode second = NodeOf(finder, candidate.second.second);
    const std::size_t entry = CompareFolders(finder, first, second);
    const FolderMatch& match = finder.pairs[entry].match;
    if (!match.copies || match.files == 0) {
      continue;
    }
    ClimbedPair top = Climb(finder, first, second, entry);
    tops.emplace(FolderPairKey{top.first.identity, top.second.identity}, std::move(top));
  }
  CopyFolders result;
  result.folded.assign(plans.size(), false);
  std::vector<std::vector<bool>> covered(plans.size());
  for (std::size_t plan = 0; plan < plans.size(); ++plan) {
    covered[plan].assign(checked.groups[plans[plan].group].members.size(), false);
  }
  for (const auto& top : tops) {
    const std::vector<std::pair<std::size_t, std::size_t>> files =
        CoveredFiles(finder, top.second.entry);
    AddFolder(finder, top.second, files, &result);
    for (const auto& file : files) {
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
