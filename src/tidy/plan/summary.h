// The default command's output: what the report holds, what can be freed, largest first.
#pragma once

#include <vector>

#include "platform/text_output.h"
#include "tidy/plan/copy_folders.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"
#include "tidy/report/report_reader.h"

/// Prints the counts, the copied folders, every group not folded into one by the bytes it can
/// free (largest first, exact bytes, each file once however many names it has), and the
/// unresolved groups with the reason of each.
void PrintSummary(TextOutput& console, const PathString& reportName, const Report& report,
                  const CheckedReport& checked, const std::vector<GroupPlan>& plans,
                  const CopyFolders& copies);

/// Prints the unresolved groups under their heading; nothing when there are none.
void PrintUnresolved(TextOutput& console, const Report& report, const CheckedReport& checked);
