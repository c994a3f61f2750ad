// The default command's output: what the report holds, what can be freed, largest first.
#pragma once

#include <vector>

#include "platform/text_output.h"
#include "tidy/plan/copy_folders.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"
#include "tidy/report/report_reader.h"
#include "tidy/tidy_texts.h"

/// Prints the counts, what can be freed (what the disk gets back: a sparse file's allocation),
/// the copied folders with what removing each copy frees and how many groups they hold, every
/// other group that frees something by the bytes it frees (largest first, each file once however
/// many names it has), one line for the groups that free nothing (`within`: --within was given,
/// so a copy outside it is one reason), and the unresolved groups with the reason of each.
void PrintSummary(TextOutput& console, const PathString& reportName, const Report& report,
                  const CheckedReport& checked, const std::vector<GroupPlan>& plans,
                  const CopyFolders& copies, bool within);

/// Prints the unresolved groups under their heading; nothing when there are none.
/// `heading` may take the number of unresolved groups (%lld).
void PrintUnresolved(TextOutput& console, const Report& report, const CheckedReport& checked,
                     const char* heading = kUnresolvedHeading);
