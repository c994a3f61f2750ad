// The plan as the user reviews it: per group the file kept and the fate of every other one.
#pragma once

#include <vector>

#include "platform/text_output.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"
#include "tidy/tidy_options.h"

/// The word for an action, as the plan names it.
const char* ActionWord(Action action);

/// Prints every plan, the largest saving first, then the totals. `holding` is the holding
/// folder as typed, for move.
void PrintPlan(TextOutput& console, const Report& report, const CheckedReport& checked,
               const std::vector<GroupPlan>& plans, Action action, const PathString& holding,
               const std::vector<FileIdentity>& within);
