#include "tidy/driver/saved_plan_files.h"

#include <string>

#include "platform/report_file.h"
#include "tidy/report/shown_path.h"
#include "tidy/report/whole_file.h"
#include "tidy/tidy_texts.h"

namespace {

int WriteWhole(const PathString& name, const std::string& text) {
  int errorCode = CheckReportWritable(name.c_str());
  ReportFile file;
  if (errorCode == 0) {
    errorCode = CreateReport(name.c_str(), &file);
  }
  if (errorCode == 0) {
    PrintText(file.text, "%s", text.c_str());
    errorCode = FinishReport(&file);
  }
  return errorCode;
}

}  // namespace

bool SavePlanFile(TextOutput& console, const TidyOptions& options, const Report& report,
                  const CheckedReport& checked, const std::vector<GroupPlan>& plans) {
  const int errorCode = WriteWhole(
      options.save, SavedPlanText(options.report, report, checked, plans, options.action));
  if (errorCode != 0) {
    PrintFailure(kPlanUnwritableLine, ShownPath(options.save).c_str(),
                 ErrorText(errorCode).c_str());
    return false;
  }
  long long steps = 0;
  long long groups = 0;
  for (const GroupPlan& plan : plans) {
    steps += plan.acted;
    groups += plan.acted > 0 ? 1 : 0;
  }
  const PathString shown = ShownPath(options.save);
  PrintText(console, kPlanSavedLine, shown.c_str(), steps, groups, shown.c_str());
  return true;
}

bool LoadPlanFile(const TidyOptions& options, SavedPlan* plan) {
  std::string bytes;
  std::string why;
  long long line = 0;
  if (!ReadWholeFileNoLink(options.planFile, &bytes, &why)) {
    PrintFailure(kPlanUnreadableLine, ShownPath(options.planFile).c_str(), why.c_str());
    return false;
  }
  if (!ParseSavedPlan(bytes, plan, &line, &why)) {
    if (line == 0) {
      PrintFailure(kPlanUnreadableLine, ShownPath(options.planFile).c_str(), why.c_str());
    } else {
      PrintFailure(kPlanLineUnreadableLine, ShownPath(options.planFile).c_str(), line, why.c_str());
    }
    return false;
  }
  return true;
}
