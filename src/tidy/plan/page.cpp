#include "tidy/plan/page.h"

#include <string>

#include "platform/held_folder.h"
#include "platform/relative_folder.h"
#include "platform/report_file.h"
#include "tidy/exit_status.h"
#include "tidy/plan/page_data.h"
#include "tidy/plan/page_text.h"
#include "tidy/report/shown_path.h"
#include "tidy/tidy_texts.h"

namespace {

PathString PageName(const TidyOptions& options) {
  if (!options.output.empty()) {
    return options.output;
  }
  PathString folder;
  PathString name;
  SplitPath(options.report, &folder, &name);
  const PathString page = PATH_TEXT(TIDY_PAGE_NAME);
  if (folder.empty()) {
    return page;
  }
  return folder.back() == kPathSeparator ? folder + page : folder + kPathSeparator + page;
}

std::vector<std::string> RuleNames(const TidyOptions& options) {
  std::vector<std::string> names;
  for (const KeepText& keep : options.keep) {
    if (keep.folder.empty()) {
      names.emplace_back(keep.rule.begin(), keep.rule.end());
    }
  }
  if (options.keep.empty()) {
    names = {"oldest", "shortest", "first"};
  }
  return names;
}

int PageFailure(const PathString& name, int errorCode) {
  PrintFailure(kPageFailedLine, ShownPath(name).c_str(), ErrorText(errorCode).c_str());
  return kExitTrouble;
}

void WriteBytes(TextOutput& page, const unsigned char* bytes, std::size_t size) {
  PrintText(page, "%.*s", static_cast<int>(size), reinterpret_cast<const char*>(bytes));
}

}  // namespace

int WritePage(TextOutput& console, const TidyOptions& options, const Report& report,
              const CheckedReport& checked, const std::vector<GroupPlan>& plans) {
  const PathString name = PageName(options);
  if (const int errorCode = CheckReportWritable(name.c_str())) {
    return PageFailure(name, errorCode);
  }
  PageFacts facts;
  facts.reportName = options.report;
  facts.hasBase = WorkingFolderFrom(name, &facts.base);
  facts.rules = RuleNames(options);
  ReportFile page;
  if (const int errorCode = CreateReport(name.c_str(), &page)) {
    return PageFailure(name, errorCode);
  }
  WriteBytes(page.text, kPageBeforeData, kPageBeforeDataSize);
  WritePageData(page.text, facts, report, checked, plans);
  WriteBytes(page.text, kPageAfterData, kPageAfterDataSize);
  if (const int errorCode = FinishReport(&page)) {
    return PageFailure(name, errorCode);
  }
  long long files = 0;
  std::int64_t freed = 0;
  for (const GroupPlan& plan : plans) {
    files += static_cast<long long>(checked.groups[plan.group].members.size());
    freed += plan.freed;
  }
  PrintText(console, kPageWrittenLine, ShownPath(name).c_str(),
            static_cast<long long>(plans.size()), files, static_cast<long long>(freed));
  return kExitDone;
}
