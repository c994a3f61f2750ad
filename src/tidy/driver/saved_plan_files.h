// The saved plan's file: written by plan --save, read by apply --plan.
#pragma once

#include <vector>

#include "platform/text_output.h"
#include "tidy/plan/plan.h"
#include "tidy/plan/saved_plan.h"
#include "tidy/report/group_check.h"
#include "tidy/report/report_reader.h"
#include "tidy/tidy_options.h"

/// Writes the plan to the file --save names, whole or not at all (an earlier file of that name
/// stays as it was until the new one is complete), never through a link, and says where and how
/// to carry it out. False, with one line on standard error, when it could not be written.
bool SavePlanFile(TextOutput& console, const TidyOptions& options, const Report& report,
                  const CheckedReport& checked, const std::vector<GroupPlan>& plans);

/// Reads the file --plan names. False, with one line on standard error, when it cannot be read
/// or any of its lines is not what the format allows.
bool LoadPlanFile(const TidyOptions& options, SavedPlan* plan);
