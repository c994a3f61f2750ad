#include "tidy/plan/summary.h"

#include "tidy/tidy_texts.h"

namespace {

long long PathCount(const Report& report) {
  long long count = 0;
  for (const ReportBlock& group : report.groups) {
    count += static_cast<long long>(group.count);
  }
  return count;
}

void PrintTotals(TextOutput& console, const PathString& reportName, const Report& report,
                 const CheckedReport& checked, const std::vector<GroupPlan>& plans) {
  long long freed = 0;
  long long acted = 0;
  for (const GroupPlan& plan : plans) {
    freed += plan.freed;
    acted += plan.acted;
  }
  PrintText(console, kCountsLine, static_cast<long long>(report.groups.size()), PathCount(report),
            reportName.c_str());
  PrintText(console, kVerifiedLine, checked.verified, checked.unresolved, checked.leftOut);
  PrintText(console, kFreeableLine, freed, acted);
}

void PrintCopies(TextOutput& console, const CopyFolders& copies) {
  if (copies.folders.empty()) {
    return;
  }
  PrintText(console, kCopyFoldersHeading);
  for (const CopiedFolder& folder : copies.folders) {
    PrintText(console, kCopyFolderLine, folder.copy.c_str(), folder.original.c_str(), folder.files,
              static_cast<long long>(folder.bytes));
  }
}

void PrintGroups(TextOutput& console, const Report& report, const CheckedReport& checked,
                 const std::vector<GroupPlan>& plans, const CopyFolders& copies) {
  bool headed = false;
  for (const std::size_t index : OrderBySaving(checked, plans)) {
    if (copies.folded[index]) {
      continue;
    }
    if (!headed) {
      PrintText(console, kGroupsHeading);
      headed = true;
    }
    const GroupPlan& plan = plans[index];
    const CheckedGroup& group = checked.groups[plan.group];
    PrintText(console, kGroupLine, static_cast<long long>(plan.freed),
              static_cast<long long>(group.members.size()), static_cast<long long>(group.size),
              report.paths.at(group.members[plan.kept].path));
  }
}

}  // namespace

void PrintUnresolved(TextOutput& console, const Report& report, const CheckedReport& checked) {
  if (checked.unresolved == 0) {
    return;
  }
  PrintText(console, kUnresolvedHeading);
  for (const CheckedGroup& group : checked.groups) {
    if (group.verdict != Verdict::kUnresolved) {
      continue;
    }
    const bool hasPath = report.groups[group.block].count > 0;
    PrintText(console, kUnresolvedLine, ProblemLine(report, group),
              hasPath ? report.paths.at(group.problemPath) : PATH_TEXT(""), group.problem.c_str());
  }
}

void PrintSummary(TextOutput& console, const PathString& reportName, const Report& report,
                  const CheckedReport& checked, const std::vector<GroupPlan>& plans,
                  const CopyFolders& copies) {
  PrintTotals(console, reportName, report, checked, plans);
  PrintCopies(console, copies);
  PrintGroups(console, report, checked, plans, copies);
  PrintUnresolved(console, report, checked);
}
