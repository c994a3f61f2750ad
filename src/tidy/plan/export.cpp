#include "tidy/plan/export.h"

#include <string>

#include "platform/file_clock.h"
#include "tidy/plan/json_text.h"
#include "tidy/tidy_texts.h"

namespace {

std::string JsonPathText(const PathString& path) {
  std::string json;
  AppendJsonPath(path, &json);
  return json;
}

void ExportJsonGroup(TextOutput& console, const Report& report, const CheckedReport& checked,
                     const GroupPlan& plan, const char* separator) {
  const CheckedGroup& group = checked.groups[plan.group];
  PrintText(console, kJsonGroupStart, separator, static_cast<long long>(group.size),
            static_cast<long long>(plan.freed), static_cast<long long>(plan.kept));
  for (std::size_t index = 0; index < group.members.size(); ++index) {
    const Member& member = group.members[index];
    PrintText(console, kJsonFile, index == 0 ? "" : ",",
              JsonPathText(report.paths.copy(member.path)).c_str(),
              static_cast<unsigned long long>(member.state.identity.volume),
              static_cast<unsigned long long>(member.state.identity.index),
              static_cast<long long>(member.state.links),
              UnixNanosecondsText(member.state.modified).c_str());
  }
  PrintText(console, kJsonGroupEnd);
}

void ExportJson(TextOutput& console, const PathString& reportName, const Report& report,
                const CheckedReport& checked, const std::vector<GroupPlan>& plans) {
  PrintText(console, kJsonStart, JsonPathText(reportName).c_str());
  const char* separator = "";
  for (const std::size_t plan : OrderBySaving(checked, plans)) {
    ExportJsonGroup(console, report, checked, plans[plan], separator);
    separator = ",";
  }
  PrintText(console, kJsonUnresolvedStart);
  separator = "";
  for (const CheckedGroup& group : checked.groups) {
    if (group.verdict != Verdict::kUnresolved) {
      continue;
    }
    const bool hasPath = report.groups[group.block].count > 0;
    std::string why;
    AppendJsonText(group.problem, &why);
    PrintText(console, kJsonUnresolved, separator, ProblemLine(report, group),
              JsonPathText(hasPath ? report.paths.copy(group.problemPath) : PathString()).c_str(),
              why.c_str());
    separator = ",";
  }
  PrintText(console, kJsonEnd);
}

void ExportNul(TextOutput& console, const Report& report, const CheckedReport& checked,
               const std::vector<GroupPlan>& plans) {
  long long number = 0;
  for (const std::size_t plan : OrderBySaving(checked, plans)) {
    const CheckedGroup& group = checked.groups[plans[plan].group];
    ++number;
    for (const Member& member : group.members) {
      PrintText(console, kNulRecord, number, static_cast<long long>(group.size),
                static_cast<unsigned long long>(member.state.identity.volume),
                static_cast<unsigned long long>(member.state.identity.index),
                report.paths.at(member.path), 0);
    }
  }
}

}  // namespace

void ExportGroups(TextOutput& console, ExportFormat format, const PathString& reportName,
                  const Report& report, const CheckedReport& checked,
                  const std::vector<GroupPlan>& plans) {
  if (format == ExportFormat::kNul) {
    ExportNul(console, report, checked, plans);
  } else {
    ExportJson(console, reportName, report, checked, plans);
  }
}
