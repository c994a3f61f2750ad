// apply: the plan carried out, one checked action at a time, every one in the journal.
#pragma once

#include <vector>

#include "platform/held_folder.h"
#include "platform/text_output.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"
#include "tidy/tidy_options.h"

/// Acts on every copy the plans act on, largest saving first, printing a line for each one done
/// or skipped and then the totals. Returns the exit status: kExitNotAll when anything planned
/// was skipped, kExitTrouble when the journal or the holding folder failed.
/// `holding` is the held holding folder, for move.
int ApplyPlans(TextOutput& console, const TidyOptions& options, const PlanSettings& settings,
               const HeldFolder* holding, const Report& report, const CheckedReport& checked,
               const std::vector<GroupPlan>& plans);
