// dupscan-tidy's command and options, as the user typed them: what the command line reads and
// every floor below it is told.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/path_text.h"

enum class Command { kSummary, kPlan, kApply, kUndo, kCheck, kExport, kPage, kHelp, kVersion };
enum class Action { kRemove, kLink, kReflink, kMove };
enum class ExportFormat { kJson, kNul };

/// A --keep rule as typed; under:DIR keeps its folder's text until it is held.
struct KeepText {
  PathString rule;
  PathString folder;
};

struct TidyOptions {
  Command command = Command::kSummary;
  PathString report = PATH_TEXT("duplicates.txt");
  std::vector<PathString> within;
  std::vector<KeepText> keep;
  Action action = Action::kRemove;
  bool actionGiven = false;  ///< --action was typed
  PathString holding;
  std::int64_t minSize = 0;
  std::vector<PathString> excludes;
  ExportFormat format = ExportFormat::kJson;
  PathString save;      ///< plan --save: the file the plan is saved to
  PathString planFile;  ///< apply --plan: the saved plan carried out
  PathString output;    ///< page: the file written; empty for the default
  bool all = false;     ///< plan --all: every group and every file, not only what changes
};
