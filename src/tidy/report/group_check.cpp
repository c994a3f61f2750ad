#include "tidy/report/group_check.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "tidy/report/entry_details.h"
#include "tidy/report/failure_texts.h"
#include "tidy/report/glob_match.h"
#include "tidy/report/progress.h"
#include "tidy/report/size_text.h"
#include "tidy/tidy_texts.h"

namespace {

struct FolderIndex {
  std::unordered_map<PathString, std::size_t> byText;
};

std::size_t InternFolder(const PathString& text, FolderIndex* index, CheckedReport* checked) {
  const auto found = index->byText.find(text);
  if (found != index->byText.end()) {
    return found->second;
  }
  checked->folders.emplace_back();
  checked->folders.back().text = text;
  index->byText.emplace(text, checked->folders.size() - 1);
  return checked->folders.size() - 1;
}

bool Excluded(const Filters& filters, const ReportPaths& paths, std::size_t path) {
  return !filters.excludes.empty() && ExcludedPath(filters.excludes, paths.copy(path));
}

const char* ProblemText(BlockProblem problem) {
  switch (problem) {
    case BlockProblem::kTooFewPaths:
      return kAloneInGroup;
    case BlockProblem::kUnfinished:
      return kUnfinishedGroup;
    case BlockProblem::kLinesAfterBlock:
      return kStrayLines;
    default:
      return kNotText;
  }
}

constexpr std::size_t kNoPath = static_cast<std::size_t>(-1);

// The block's first path that reads two ways (see two_way_lines.h); its first path when it is
// its heading that does, since its lines then are no group of their own.
std::size_t FirstTwoWayPath(const Report& report, const ReportBlock& block) {
  const auto found =
      std::lower_bound(report.twoWayLines.begin(), report.twoWayLines.end(), block.line);
  if (found == report.twoWayLines.end() ||
      *found > block.line + static_cast<long long>(block.count)) {
    return kNoPath;
  }
  return block.first + static_cast<std::size_t>(std::max(*found - block.line - 1, 0LL));
}

void Unresolve(CheckedGroup* group, std::size_t path, std::string why) {
  group->verdict = Verdict::kUnresolved;
  group->problemPath = path;
  group->problem = std::move(why);
}

// The group's members, each with its folder; the paths a pattern excludes are left out.
void Gather(const Report& report, const Filters& filters, const ReportBlock& block,
            FolderIndex* index, CheckedReport* checked, CheckedGroup* group) {
  group->verdict = Verdict::kVerified;
  if (block.problem != BlockProblem::kNone) {
    Unresolve(group, block.first, ProblemText(block.problem));
    return;
  }
  const std::size_t twoWay = FirstTwoWayPath(report, block);
  if (twoWay != kNoPath) {
    Unresolve(group, twoWay, kReadTwoWays);
    return;
  }
  for (std::size_t path = block.first; path < block.first + block.count; ++path) {
    if (Excluded(filters, report.paths, path)) {
      continue;
    }
    PathString folder;
    PathString name;
    SplitPath(report.paths.copy(path), &folder, &name);
    Member member;
    member.path = path;
    member.folder = InternFolder(folder, index, checked);
    member.nameStart = PathString::traits_type::length(report.paths.at(path)) - name.size();
    group->members.push_back(member);
  }
  if (group->members.size() < 2) {
    group->verdict = Verdict::kLeftOut;
  }
}

struct MemberRef {
  std::size_t group;
  std::size_t member;
  std::size_t folder;
};

// Each folder's place in the order of the folders' texts, in which a folder comes after the one
// above it and the folders below one come together: the order a FolderWay goes down a tree in.
std::vector<std::size_t> RanksByText(const CheckedReport& checked) {
  std::vector<std::size_t> order(checked.folders.size());
  for (std::size_t index = 0; index < order.size(); ++index) {
    order[index] = index;
  }
  std::sort(order.begin(), order.end(), [&checked](std::size_t left, std::size_t right) {
    return checked.folders[left].text < checked.folders[right].text;
  });
  std::vector<std::size_t> ranks(order.size());
  for (std::size_t rank = 0; rank < order.size(); ++rank) {
    ranks[order[rank]] = rank;
  }
  return ranks;
}

// One hold of each folder, then a look at each of its entries: the paths sorted by folder, so a
// folder of many copies is walked once, and the folders by their texts, so each is held from the
// one above it.
void LookAtEntries(const Report& report, AccessDetail asked, CheckedReport* checked,
                   std::vector<std::vector<EntryStatus>>* statuses) {
  std::vector<MemberRef> references;
  for (std::size_t group = 0; group < checked->groups.size(); ++group) {
    const CheckedGroup& checkedGroup = checked->groups[group];
    (*statuses)[group].resize(checkedGroup.members.size());
    if (checkedGroup.verdict == Verdict::kVerified) {
      for (std::size_t member = 0; member < checkedGroup.members.size(); ++member) {
        references.push_back({group, member, checkedGroup.members[member].folder});
      }
    }
  }
  const std::vector<std::size_t> ranks = RanksByText(*checked);
  std::sort(references.begin(), references.end(),
            [&ranks](const MemberRef& left, const MemberRef& right) {
              return ranks[left.folder] < ranks[right.folder];
            });
  FolderWay way(&checked->links);
  std::map<std::uint64_t, bool> sharing;
  AccessTable accesses(checked);
  std::size_t heldIndex = checked->folders.size();
  Progress progress =
      StartProgress(kCheckProgressLine, static_cast<long long>(references.size()), true);
  for (const MemberRef& reference : references) {
    AdvanceProgress(&progress);
    FolderPlace& place = checked->folders[reference.folder];
    if (reference.folder != heldIndex) {
      heldIndex = reference.folder;
      place.result = way.Hold(place.text, &place.errorCode);
      place.link = place.result == HoldResult::kHeld ? way.Link() : kNoLink;
      place.access = place.result == HoldResult::kHeld ? accesses.OfFolder(way.Held(), asked) : 0;
    }
    if (place.result == HoldResult::kHeld) {
      Member& member = checked->groups[reference.group].members[reference.member];
      const PathString name(report.paths.at(member.path) + member.nameStart);
      EntryStatus& status = (*statuses)[reference.group][reference.member];
      status = StatEntry(way.Held(), name);
      member.state = status.state;
      AskShared(way.Held(), name, &member.state, &sharing);
      member.access =
          status.type == EntryType::kFile ? accesses.OfEntry(way.Held(), name, asked) : 0;
    }
  }
  EndProgress(&progress);
}

bool SameEntry(const CheckedReport& checked, const ReportPaths& paths, const Member& left,
               const Member& right) {
  return SameFile(left.state.identity, right.state.identity) &&
         SameFile(PlaceIdentity(checked, checked.folders[left.folder]),
                  PlaceIdentity(checked, checked.folders[right.folder])) &&
         SameEntryName(PathString(paths.at(left.path) + left.nameStart),
                       PathString(paths.at(right.path) + right.nameStart));
}

// A file listed twice, however its folder is spelled. Only members of one file can be one entry,
// so the members are sorted by file and only neighbours of one file are compared.
bool FindListedTwice(const CheckedReport& checked, const ReportPaths& paths,
                     const CheckedGroup& group, std::size_t* twice) {
  std::vector<std::size_t> order(group.members.size());
  for (std::size_t index = 0; index < order.size(); ++index) {
    order[index] = index;
  }
  const auto byFile = [&group](std::size_t left, std::size_t right) {
    const FileState& a = group.members[left].state;
    const FileState& b = group.members[right].state;
    return std::tie(a.identity, left) < std::tie(b.identity, right);
  };
  std::sort(order.begin(), order.end(), byFile);
  for (std::size_t first = 0; first < order.size(); ++first) {
    for (std::size_t second = first + 1; second < order.size(); ++second) {
      const Member& left = group.members[order[first]];
      const Member& right = group.members[order[second]];
      if (left.state.identity != right.state.identity) {
        break;
      }
      if (SameEntry(checked, paths, left, right)) {
        *twice = right.path;
        return true;
      }
    }
  }
  return false;
}

void Judge(const Report& report, const Filters& filters, const CheckedReport& checked,
           const std::vector<EntryStatus>& statuses, CheckedGroup* group) {
  for (std::size_t index = 0; index < group->members.size(); ++index) {
    const Member& member = group->members[index];
    const FolderPlace& place = checked.folders[member.folder];
    if (place.result != HoldResult::kHeld) {
      return Unresolve(group, member.path, HoldFailureText(place.result, place.errorCode));
    }
    if (statuses[index].type != EntryType::kFile) {
      return Unresolve(group, member.path, EntryFailureText(statuses[index]));
    }
    if (member.state.size != group->members.front().state.size) {
      return Unresolve(group, member.path, kOtherSize);
    }
  }
  group->size = group->members.front().state.size;
  if (group->size == 0) {
    return Unresolve(group, group->members.front().path, kEmptyGroup);
  }
  const ReportBlock& block = report.groups[group->block];
  if (!SizeTextFits(block.sizeText, group->size)) {
    return Unresolve(group, group->members.front().path, kSizeTextDiffers);
  }
  std::size_t twice = 0;
  if (FindListedTwice(checked, report.paths, *group, &twice)) {
    return Unresolve(group, twice, kListedTwice);
  }
  if (group->size < filters.minSize) {
    group->verdict = Verdict::kLeftOut;
  }
}

}  // namespace

void CheckReport(const Report& report, const Filters& filters, CheckedReport* checked,
                 AccessDetail asked) {
  *checked = CheckedReport();
  FolderIndex index;
  checked->groups.resize(report.groups.size());
  for (std::size_t block = 0; block < report.groups.size(); ++block) {
    checked->groups[block].block = block;
    Gather(report, filters, report.groups[block], &index, checked, &checked->groups[block]);
  }
  std::vector<std::vector<EntryStatus>> statuses(checked->groups.size());
  LookAtEntries(report, asked, checked, &statuses);
  for (std::size_t group = 0; group < checked->groups.size(); ++group) {
    CheckedGroup& checkedGroup = checked->groups[group];
    if (checkedGroup.verdict == Verdict::kVerified) {
      Judge(report, filters, *checked, statuses[group], &checkedGroup);
    }
    checked->verified += checkedGroup.verdict == Verdict::kVerified;
    checked->unresolved += checkedGroup.verdict == Verdict::kUnresolved;
    checked->leftOut += checkedGroup.verdict == Verdict::kLeftOut;
  }
}

long long ProblemLine(const Report& report, const CheckedGroup& group) {
  const ReportBlock& block = report.groups[group.block];
  if (block.count == 0 || group.problemPath < block.first) {
    return block.line;
  }
  return block.line + 1 + static_cast<long long>(group.problemPath - block.first);
}
