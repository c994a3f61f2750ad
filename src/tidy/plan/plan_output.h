// The plan as the user reviews it: per group the file kept and the fate of every other one.
#pragma once

#include <vector>

#include "platform/text_output.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"
#include "tidy/tidy_options.h"

/// The word for an action, as the plan names it.
const char* ActionWord(Action action);

/// How the plan is shown: the action, the holding folder as typed (for move), the --within
/// folders (for the names moves take) and whether every file is shown, or only what changes.
struct PlanShown {
  Action action = Action::kRemove;
  PathString holding;
  std::vector<FileIdentity> within;
  bool all = false;
};

/// Prints the plans, the largest saving first, then the totals. Unless `shown.all`, only the
/// groups where something changes, each with its kept file and the files acted on. A move to a
/// name an earlier move of the plan takes is flagged: apply will skip it.
void PrintPlan(TextOutput& console, const Report& report, const CheckedReport& checked,
               const std::vector<GroupPlan>& plans, const PlanShown& shown);
