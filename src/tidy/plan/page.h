// page: one HTML file to look at the groups in, choose the kept files, and save a plan.
#pragma once

#include <vector>

#include "platform/text_output.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"
#include "tidy/tidy_options.h"

/// Writes the page to --output, or to duplicates.html beside the report, in the way the report
/// is written: to a new file beside it, put in place only when whole, never through a link.
/// Returns the exit status: done, or trouble with one line on standard error.
int WritePage(TextOutput& console, const TidyOptions& options, const Report& report,
              const CheckedReport& checked, const std::vector<GroupPlan>& plans);
