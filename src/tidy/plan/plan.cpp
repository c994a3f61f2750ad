#include "tidy/plan/plan.h"

#include <algorithm>
#include <tuple>

#include "tidy/tidy_texts.h"

namespace {

// AccessRefusal on what the check saw of the two files and their folders, after the read-only
// attribute, which apply looks at first (Windows keeps such a file from going; wine shows it in
// the access list too).
const char* RefusalSeen(const CheckedReport& checked, Action action, const Member& kept,
                        const Member& copy) {
  if (copy.state.readOnly && action != Action::kMove) {
    return kReadOnlyCopy;
  }
  const std::vector<FileAccess>& seen = checked.accesses;
  return AccessRefusal(action, seen[kept.access], seen[copy.access],
                       &seen[checked.folders[kept.folder].access],
                       &seen[checked.folders[copy.folder].access]);
}

// Each file (not each name) once: its bytes are freed when every one of its names is acted on.
GroupPlan PlanGroup(const CheckedReport& checked, const ReportPaths& paths, std::size_t index,
                    const PlanSettings& settings) {
  const CheckedGroup& group = checked.groups[index];
  GroupPlan plan;
  plan.group = index;
  const KeepLimits limits{settings.within, settings.setAside, settings.action != Action::kMove};
  plan.kept = ChooseKept(checked, paths, group, settings.rules, limits);
  const FileState& kept = group.members[plan.kept].state;
  // The kept file is set aside only when every copy is: which of them the user keeps is theirs to
  // say once they have looked the holding folder over.
  const bool keptSetAside = IsSetAside(checked, group.members[plan.kept], settings.setAside);
  plan.fates.resize(group.members.size(), Fate::kAct);
  plan.refusals.resize(group.members.size(), nullptr);
  for (std::size_t member = 0; member < group.members.size(); ++member) {
    if (member == plan.kept) {
      plan.fates[member] = Fate::kKeep;
    } else if (NamesOfOneFile(group.members[member].state, kept)) {
      plan.fates[member] = Fate::kLinkOfKept;
    } else if (!IsWithin(checked, group.members[member], settings.within)) {
      plan.fates[member] = Fate::kNotWithin;
    } else if (keptSetAside) {
      plan.fates[member] = Fate::kOnlySetAside;
    } else if (settings.action != Action::kMove &&
               group.members[member].state.owner != kept.owner) {
      // A user's bytes never end only in a file another user owns, nor do two users' files
      // become one; apply checks it again on the files it opens.
      plan.fates[member] = Fate::kOwnedByAnother;
    } else if (const char* why = RefusalSeen(checked, settings.action, group.members[plan.kept],
                                             group.members[member])) {
      plan.fates[member] = Fate::kNotShared;
      plan.refusals[member] = why;
    } else {
      ++plan.acted;
    }
  }
  std::vector<bool> acted(plan.fates.size());
  for (std::size_t member = 0; member < acted.size(); ++member) {
    acted[member] = plan.fates[member] == Fate::kAct;
  }
  const FreedSpace freed = FreedBy(group, acted);
  plan.freed = freed.disk;
  plan.freedSizes = freed.sizes;
  return plan;
}

}  // namespace

const char* AccessRefusal(Action action, const FileAccess& kept, const FileAccess& copy,
                          const FileAccess* keptFolder, const FileAccess* copyFolder) {
  if (action == Action::kMove || !kept.known || !copy.known) {
    return nullptr;  // a move keeps the copy whole, only elsewhere
  }
  if (!SameOwner(kept, copy)) {
    return kOtherOwner;
  }
  if (action == Action::kRemove) {
    const bool wider = keptFolder == nullptr || copyFolder == nullptr ||
                       MoreMayWrite(kept, copy, kept.owner) ||
                       MoreMayWrite(*keptFolder, *copyFolder, kept.owner);
    return wider ? kKeptMoreWritable : nullptr;
  }
  if (action != Action::kLink) {
    return nullptr;
  }
  if (!SameAccess(kept, copy)) {
    return kOtherAccess;
  }
  return SameAttributes(kept, copy) ? nullptr : kOtherAttributes;
}

AccessDetail AccessAskedFor(Action action) {
  switch (action) {
    case Action::kRemove:
      return AccessDetail::kWriters;
    case Action::kLink:
      return AccessDetail::kAll;
    default:
      return AccessDetail::kNone;  // a reflink and a move ask only the owner, which every look has
  }
}

FreedSpace FreedBy(const CheckedGroup& group, const std::vector<bool>& removed) {
  std::vector<std::size_t> order(group.members.size());
  for (std::size_t index = 0; index < order.size(); ++index) {
    order[index] = index;
  }
  std::sort(order.begin(), order.end(), [&group](std::size_t left, std::size_t right) {
    return group.members[left].state.identity < group.members[right].state.identity;
  });
  // Each file (not each name) once: its bytes go with the last of its names.
  FreedSpace freed;
  for (std::size_t first = 0; first < order.size();) {
    const FileState& file = group.members[order[first]].state;
    std::size_t end = first;
    bool allRemoved = true;
    std::uint64_t names = 0;
    while (end < order.size() && NamesOfOneFile(file, group.members[order[end]].state)) {
      allRemoved = allRemoved && removed[order[end]];
      names = std::max(names, group.members[order[end]].state.links);
      ++end;
    }
    if (allRemoved && names == end - first) {
      freed.disk += DiskBytes(file);
      // Blocks shared with other files are no part of what it frees, nor a sparse file's holes.
      freed.sizes += file.size > file.shared ? file.size - file.shared : 0;
    }
    first = end;
  }
  return freed;
}

std::vector<GroupPlan> PlanGroups(const CheckedReport& checked, const ReportPaths& paths,
                                  const PlanSettings& settings) {
  std::vector<GroupPlan> plans;
  for (std::size_t group = 0; group < checked.groups.size(); ++group) {
    if (checked.groups[group].verdict == Verdict::kVerified) {
      plans.push_back(PlanGroup(checked, paths, group, settings));
    }
  }
  return plans;
}

std::vector<std::size_t> OrderBySaving(const CheckedReport& checked,
                                       const std::vector<GroupPlan>& plans) {
  std::vector<std::size_t> order(plans.size());
  for (std::size_t index = 0; index < order.size(); ++index) {
    order[index] = index;
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t left, std::size_t right) {
    const GroupPlan& a = plans[left];
    const GroupPlan& b = plans[right];
    return std::tie(b.freed, checked.groups[b.group].size) <
           std::tie(a.freed, checked.groups[a.group].size);
  });
  return order;
}

std::vector<PlannedStep> StepsOfPlans(const CheckedReport& checked, const ReportPaths& paths,
                                      const std::vector<GroupPlan>& plans, Action action) {
  std::vector<PlannedStep> steps;
  for (const std::size_t index : OrderBySaving(checked, plans)) {
    const GroupPlan& plan = plans[index];
    for (std::size_t member = 0; member < plan.fates.size(); ++member) {
      const Fate fate = plan.fates[member];
      if (fate == Fate::kAct || fate == Fate::kOwnedByAnother || fate == Fate::kNotShared) {
        PlannedStep step;
        step.group = plan.group;
        step.kept = plan.kept;
        step.copy = member;
        step.action = action;
        if (fate != Fate::kAct) {
          step.refused = fate == Fate::kOwnedByAnother ? kOtherOwner : plan.refusals[member];
          step.path = paths.at(checked.groups[plan.group].members[member].path);
        }
        steps.push_back(step);
      }
    }
  }
  return steps;
}

std::vector<PathString> HoldingFolders(const CheckedReport& checked, const FolderPlace& folder,
                                       const std::vector<FileIdentity>& within) {
  // From the folder up: the names so far are kept each time a --within folder is met, so the
  // highest one met decides.
  std::vector<PathString> names;
  std::vector<PathString> folders;
  for (std::size_t link = folder.link; link != kNoLink; link = checked.links[link].above) {
    if (!checked.links[link].name.empty()) {
      names.push_back(checked.links[link].name);
    }
    if (IsOneOf(checked.links[link].identity, within)) {
      folders = names;
    }
  }
  return std::vector<PathString>(folders.rbegin(), folders.rend());
}

PathString JoinPath(const PathString& holding, const std::vector<PathString>& folders,
                    const PathString& name) {
  PathString path = holding;
  for (const PathString& folder : folders) {
    path += kPathSeparator;
    path += folder;
  }
  return path + kPathSeparator + name;
}
