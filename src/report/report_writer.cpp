#include "report/report_writer.h"

#include "output_texts.h"
#include "report/format_size.h"

void WriteEmptyFiles(TextOutput& report, const std::vector<FileRecord>& emptyFiles) {
  if (emptyFiles.empty()) {
    return;
  }
  PrintText(report, kEmptyFilesHeading);
  for (const FileRecord& record : emptyFiles) {
    PrintText(report, kReportPathLine, record.path);
  }
  PrintText(report, kBlockEnd);
}

void WriteGroup(TextOutput& report, std::int64_t size, const std::vector<const PathChar*>& paths) {
  PrintText(report, kGroupHeading, FormatSize(size));
  for (const PathChar* path : paths) {
    PrintText(report, kReportPathLine, path);
  }
  PrintText(report, kBlockEnd);
}
