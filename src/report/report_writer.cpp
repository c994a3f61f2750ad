#include "report/report_writer.h"

#include "output_texts.h"
#include "report/format_size.h"

void WriteEmptyFiles(TextOutput& report, const std::vector<PathString>& paths) {
  if (paths.empty()) {
    return;
  }
  PrintText(report, kEmptyFilesHeading);
  for (const PathString& path : paths) {
    PrintText(report, kReportPathLine, path.c_str());
  }
  PrintText(report, kBlockEnd);
}

void WriteGroup(TextOutput& report, std::int64_t size, const std::vector<PathString>& paths) {
  PrintText(report, kGroupHeading, FormatSize(size).c_str());
  for (const PathString& path : paths) {
    PrintText(report, kReportPathLine, path.c_str());
  }
  PrintText(report, kBlockEnd);
}
