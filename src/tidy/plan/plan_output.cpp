#include "tidy/plan/plan_output.h"

#include <set>

#include "tidy/report/shown_path.h"
#include "tidy/report/size_text.h"
#include "tidy/tidy_texts.h"

namespace {

// What the plan shows and what it has shown: the names moves take, to flag the second of two.
struct Showing {
  TextOutput& console;
  const Report& report;
  const CheckedReport& checked;
  const PlanShown& shown;
  std::set<PathString> targets;
  bool hidden = false;  ///< a group or a file left out of the lines, which --all would show
};

void PrintMove(Showing& showing, const Member& member, const PathChar* path) {
  const PathString target = JoinPath(
      showing.shown.holding,
      HoldingFolders(showing.checked, showing.checked.folders[member.folder], showing.shown.within),
      PathString(path + member.nameStart));
  if (showing.targets.insert(target).second) {
    PrintText(showing.console, kPlanMoveLine, ShownPath(path).c_str(), ShownPath(target).c_str());
  } else {
    PrintText(showing.console, kPlanMoveClashLine, ShownPath(path).c_str(),
              ShownPath(target).c_str());
  }
}

void PrintMember(Showing& showing, const Member& member, Fate fate, const char* refusal) {
  const PathChar* path = showing.report.paths.at(member.path);
  if (fate != Fate::kKeep && fate != Fate::kAct && !showing.shown.all) {
    showing.hidden = true;
    return;
  }
  const PathString shown = ShownPath(path);
  switch (fate) {
    case Fate::kKeep:
      PrintText(showing.console, kPlanKeepLine, shown.c_str());
      break;
    case Fate::kLinkOfKept:
      PrintText(showing.console, kPlanLeaveLine, shown.c_str(), kSameFileAsKept);
      break;
    case Fate::kNotWithin:
      PrintText(showing.console, kPlanLeaveLine, shown.c_str(), kOutsideWithin);
      break;
    case Fate::kOwnedByAnother:
      PrintText(showing.console, kPlanLeaveLine, shown.c_str(), kOtherOwner);
      break;
    case Fate::kOnlySetAside:
      PrintText(showing.console, kPlanLeaveLine, shown.c_str(), kAllSetAside);
      break;
    case Fate::kNotShared:
      PrintText(showing.console, kPlanLeaveLine, shown.c_str(), refusal);
      break;
    case Fate::kAct:
      if (showing.shown.action == Action::kMove) {
        PrintMove(showing, member, path);
      } else {
        PrintText(showing.console, kPlanActLine, ActionWord(showing.shown.action), shown.c_str());
      }
      break;
  }
}

void PrintGroup(Showing& showing, const GroupPlan& plan) {
  const CheckedGroup& group = showing.checked.groups[plan.group];
  if (plan.acted == 0 && !showing.shown.all) {
    showing.hidden = true;
    return;
  }
  PrintText(showing.console, kPlanGroupHeading, static_cast<long long>(group.members.size()),
            SizeWithBytes(group.size).c_str());
  PrintMember(showing, group.members[plan.kept], Fate::kKeep, nullptr);
  for (std::size_t member = 0; member < group.members.size(); ++member) {
    if (member != plan.kept) {
      PrintMember(showing, group.members[member], plan.fates[member], plan.refusals[member]);
    }
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
               const std::vector<GroupPlan>& plans, const PlanShown& shown) {
  Showing showing{console, report, checked, shown, {}, false};
  long long acted = 0;
  long long left = 0;
  std::int64_t freed = 0;
  for (const std::size_t index : OrderBySaving(checked, plans)) {
    const GroupPlan& plan = plans[index];
    PrintGroup(showing, plan);
    acted += plan.acted;
    left += static_cast<long long>(checked.groups[plan.group].members.size()) - 1 - plan.acted;
    // A move frees nothing until the holding folder is emptied.
    freed += shown.action == Action::kMove ? 0 : plan.freed;
  }
  PrintText(console, kPlanTotalsLine, acted, ActionWord(shown.action), left,
            SizeWithBytes(freed).c_str());
  if (showing.hidden) {
    PrintText(console, kPlanHiddenLine);
  }
}
