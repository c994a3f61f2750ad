// export: the verified groups for other programs, with the exact bytes of every name.
#pragma once

#include <vector>

#include "platform/text_output.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"
#include "tidy/tidy_options.h"

/// The groups go the largest saving first, as summary lists them. JSON: one object, {"report",
/// "groups": [{"size", "freed" (the bytes removing the copies gives back), "keep" (the index in
/// "files", from 0, of the file the plan keeps), "files": [{"path", "volume", "index", "links",
/// "modified"}]}], "unresolved": [{"line", "path", "why"}]}, one group to a line. NUL: one record
/// per file, "group TAB size TAB volume:index TAB path" and a NUL, the path's bytes as they are
/// (UTF-8 on Windows).
void ExportGroups(TextOutput& console, ExportFormat format, const PathString& reportName,
                  const Report& report, const CheckedReport& checked,
                  const std::vector<GroupPlan>& plans);
