// apply: the plan carried out, one checked action at a time, every one in the journal.
#pragma once

#include <vector>

#include "platform/held_folder.h"
#include "platform/text_output.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"
#include "tidy/tidy_options.h"

/// Takes every step in its order, printing a line for each one done or skipped (a refused step
/// is skipped with its reason), then the unresolved groups with their reasons, and the totals.
/// Returns the exit status: kExitNotAll when any step was skipped or, without a saved plan, any
/// group is unresolved; kExitTrouble when the journal failed. `holding` is the held holding
/// folder, for move; `sparesLeft`, the spares of an interrupted run that stay where they are
/// (see SettleSparesBeforeApply), counted as skipped.
int ApplySteps(TextOutput& console, const TidyOptions& options,
               const std::vector<FileIdentity>& within, const HeldFolder* holding,
               const Report& report, const CheckedReport& checked,
               const std::vector<PlannedStep>& steps, long long sparesLeft);
