#include "report/report_writer.h"

#include "report/format_size.h"

void WriteEmptyFiles(TextOutput& report, const std::vector<FileRecord>& emptyFiles) {
  if (emptyFiles.empty()) {
    return;
  }
  PrintText(report, "Empty Files:\n");
  for (const FileRecord& record : emptyFiles) {
    PrintText(report, "%" PATH_ARG "\n", record.path);
  }
  PrintText(report, "\n");
}

void WriteGroup(TextOutput& report, std::int64_t size, const std::vector<const PathChar*>& paths) {
  PrintText(report, "File Size: %s\n", FormatSize(size));
  for (const PathChar* path : paths) {
    PrintText(report, "%" PATH_ARG "\n", path);
  }
  PrintText(report, "\n");
}
