#include "tidy/plan/summary.h"

#include <algorithm>

#include "report/format_size.h"
#include "tidy/report/shown_path.h"
#include "tidy/report/size_text.h"
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
  std::int64_t freed = 0;
  std::int64_t sizes = 0;
  long long acted = 0;
  for (const GroupPlan& plan : plans) {
    freed += plan.freed;
    sizes += plan.freedSizes;
    acted += plan.acted;
  }
  PrintText(console, kCountsLine, static_cast<long long>(report.groups.size()), PathCount(report),
            ShownPath(reportName).c_str());
  PrintText(console, kVerifiedLine, checked.verified, checked.unresolved, checked.leftOut);
  if (sizes > freed) {
    PrintText(console, kFreeableSparseLine, SizeWithBytes(freed).c_str(), acted,
              SizeWithBytes(sizes).c_str());
  } else {
    PrintText(console, kFreeableLine, SizeWithBytes(freed).c_str(), acted);
  }
}

void PrintCopies(TextOutput& console, const CopyFolders& copies) {
  if (copies.folders.empty()) {
    return;
  }
  PrintText(console, kCopyFoldersHeading,
            static_cast<long long>(std::count(copies.folded.begin(), copies.folded.end(), true)));
  for (const CopiedFolder& folder : copies.folders) {
    if (folder.someLeft) {
      PrintText(console, kCopyFolderLeftLine, ShownPath(folder.copy).c_str(),
                ShownPath(folder.original).c_str(), folder.files,
                SizeWithBytes(folder.bytes).c_str());
    } else if (folder.bytes == 0) {
      PrintText(console, kCopyFolderLinkedLine, ShownPath(folder.copy).c_str(),
                ShownPath(folder.original).c_str(), folder.files);
    } else {
      PrintText(console, kCopyFolderLine, ShownPath(folder.copy).c_str(),
                ShownPath(folder.original).c_str(), folder.files,
                SizeWithBytes(folder.bytes).c_str());
    }
  }
}

// Every group not folded into a folder line, largest saving first; those that free nothing are
// counted on one line at the end.
void PrintGroups(TextOutput& console, const Report& report, const CheckedReport& checked,
                 const std::vector<GroupPlan>& plans, const CopyFolders& copies, bool within) {
  bool headed = false;
  long long freeNothing = 0;
  for (const std::size_t index : OrderBySaving(checked, plans)) {
    const GroupPlan& plan = plans[index];
    if (copies.folded[index] || plan.freed == 0) {
      freeNothing += copies.folded[index] ? 0 : 1;
      continue;
    }
    if (!headed) {
      PrintText(console, copies.folders.empty() ? kGroupsHeading : kOtherGroupsHeading);
      headed = true;
    }
    const CheckedGroup& group = checked.groups[plan.group];
    PrintText(console, plan.freedSizes > plan.freed ? kSparseGroupLine : kGroupLine,
              FormatSize(plan.freed).c_str(), static_cast<long long>(group.members.size()),
              FormatSize(group.size).c_str(),
              ShownPath(report.paths.copy(group.members[plan.kept].path)).c_str());
  }
  if (freeNothing > 0) {
    PrintText(console, within ? kFreeNothingWithinLine : kFreeNothingLine, freeNothing);
  }
}

}  // namespace

void PrintUnresolved(TextOutput& console, const Report& report, const CheckedReport& checked,
                     const char* heading) {
  if (checked.unresolved == 0) {
    return;
  }
  PrintText(console, heading, checked.unresolved);
  for (const CheckedGroup& group : checked.groups) {
    if (group.verdict != Verdict::kUnresolved) {
      continue;
    }
    const bool hasPath = report.groups[group.block].count > 0;
    PrintText(console, kUnresolvedLine, ProblemLine(report, group),
              ShownPath(hasPath ? report.paths.copy(group.problemPath) : PathString()).c_str(),
              group.problem.c_str());
  }
}

void PrintSummary(TextOutput& console, const PathString& reportName, const Report& report,
                  const CheckedReport& checked, const std::vector<GroupPlan>& plans,
                  const CopyFolders& copies, bool within) {
  PrintTotals(console, reportName, report, checked, plans);
  PrintCopies(console, copies);
  PrintGroups(console, report, checked, plans, copies, within);
  PrintUnresolved(console, report, checked);
}
