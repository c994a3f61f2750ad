// The plan saved to a file (plan --save) and read back (apply --plan): one JSON object a line, a
// header, then per group the file kept and each file acted on, each with its exact path, size,
// identity and modification time as the check found them. docs/plan-format.md is its
// description for other programs; a browser's script writes it too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_identity.h"
#include "platform/path_text.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"
#include "tidy/report/report_reader.h"
#include "tidy/tidy_options.h"

/// One line of a saved plan after its header: a file kept, or a file acted on.
struct SavedFile {
  bool keep = false;  ///< begins a group
  Action action = Action::kRemove;
  PathString path;
  std::int64_t size = 0;
  FileIdentity identity;
  std::string modified;  ///< nanoseconds since 1970, as UnixNanosecondsText writes them
  long long line = 0;    ///< in the plan file, from 1
};

struct SavedPlan {
  PathString report;             ///< the report it was made from, as its header says
  std::vector<SavedFile> files;  ///< in the plan's order; the first one kept
};

/// The plan file's text: the header, then for every plan that acts on something (the largest
/// saving first) the file kept and each file acted on with `action`.
std::string SavedPlanText(const PathString& reportName, const Report& report,
                          const CheckedReport& checked, const std::vector<GroupPlan>& plans,
                          Action action);

/// Takes a plan file's bytes apart. False, with the line (0 for the whole file) and why, when any
/// line is not what the format allows: then nothing of it may be carried out.
bool ParseSavedPlan(const std::string& bytes, SavedPlan* plan, long long* line, std::string* why);

/// The steps of a saved plan, in its order, matched with the checked report: a step is taken
/// only when it and its kept file are members of one verified group, each as the plan recorded
/// it (identity, size, modification time), and the copy is under `within` and is not the kept
/// file under another name; any other step is refused with the reason.
std::vector<PlannedStep> StepsOfSavedPlan(const SavedPlan& plan, const Report& report,
                                          const CheckedReport& checked,
                                          const std::vector<FileIdentity>& within);
