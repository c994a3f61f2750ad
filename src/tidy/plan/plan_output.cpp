#include "tidy/plan/plan_output.h"

#include "tidy/tidy_texts.h"

namespace {

void PrintMember(TextOutput& console, const Report& report, const CheckedReport& checked,
                 const Member& member, Fate fate, Action action, const PathString& holding,
                 const std::vector<FileIdentity>& within) {
  const PathChar* path = report.paths.at(member.path);
  switch (fate) {
    case Fate::kKeep:
      PrintText(console, kPlanKeepLine, path);
      break;
    case Fate::kLinkOfKept:
      PrintText(console, kPlanLeaveLine, path, kSameFileAsKept);
      break;
    case Fate::kNotWithin:
      PrintText(console, kPlanLeaveLine, path, kOutsideWithin);
      break;
    case Fate::kAct:
      if (action == Action::kMove) {
        const PathString target =
            JoinPath(holding, HoldingFolders(checked.folders[member.folder], within),
                     PathString(path + member.nameStart));
        PrintText(console, kPlanMoveLine, path, target.c_str());
      } else {
        PrintText(console, kPlanActLine, ActionWord(action), path);
      }
      break;
  }
}

}  // namespace

const char* ActionWord(Action action) {
  switch (action) {
    case Action::kLink:
      return kLinkWord;
    case Action::kReflink:
      return kReflinkWord;
    case Action::kMove:
      return kMoveWord;
    default:
      return kRemoveWord;
  }
}

void PrintPlan(TextOutput& console, const Report& report, const CheckedReport& checked,
               const std::vector<GroupPlan>& plans, Action action, const PathString& holding,
               const std::vector<FileIdentity>& within) {
  long long acted = 0;
  long long left = 0;
  long long freed = 0;
  for (const std::size_t index : OrderBySaving(checked, plans)) {
    const GroupPlan& plan = plans[index];
    const CheckedGroup& group = checked.groups[plan.group];
    PrintText(console, kPlanGroupHeading, static_cast<long long>(group.members.size()),
              static_cast<long long>(group.size));
    PrintMember(console, report, checked, group.members[plan.kept], Fate::kKeep, action, holding,
                within);
    for (std::size_t member = 0; member < group.members.size(); ++member) {
      if (member == plan.kept) {
        continue;
      }
      PrintMember(console, report, checked, group.members[member], plan.fates[member], action,
                  holding, within);
    }
    acted += plan.acted;
    left += static_cast<long long>(group.members.size()) - 1 - plan.acted;
    // A move frees nothing until the holding folder is emptied.
    freed += action == Action::kMove ? 0 : plan.freed;
  }
  PrintText(console, kPlanTotalsLine, acted, ActionWord(action), left, freed);
}
