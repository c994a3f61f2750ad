#include "tidy/driver/run_tidy.h"

#include <string>
#include <vector>

#include "platform/file_access.h"
#include "platform/held_folder.h"
#include "tidy/act/apply.h"
#include "tidy/act/journal.h"
#include "tidy/act/spares.h"
#include "tidy/act/undo.h"
#include "tidy/driver/command_line.h"
#include "tidy/driver/saved_plan_files.h"
#include "tidy/plan/copy_folders.h"
#include "tidy/plan/export.h"
#include "tidy/plan/page.h"
#include "tidy/plan/plan.h"
#include "tidy/plan/plan_output.h"
#include "tidy/plan/summary.h"
#include "tidy/report/group_check.h"
#include "tidy/report/report_reader.h"
#include "tidy/report/shown_path.h"
#include "tidy/tidy_texts.h"

namespace {

std::string FolderOptionText(HoldResult result, int errorCode) {
  switch (result) {
    case HoldResult::kThroughLink:
      return kPassesThroughLink;
    case HoldResult::kNotFolder:
      return kNotAFolder;
    case HoldResult::kMissing:
      return kNoSuchFolder;
    default:
      return ErrorText(errorCode);
  }
}

// Holds a folder an option names; the identity, not the spelling, is what counts from here on.
bool HoldNamed(const char* option, const PathString& text, HeldFolder* held) {
  int errorCode = 0;
  const HoldResult result = HoldFolder(text, held, &errorCode);
  if (result != HoldResult::kHeld) {
    PrintFailure(kFolderOptionLine, option, ShownPath(text).c_str(),
                 FolderOptionText(result, errorCode).c_str());
    return false;
  }
  return true;
}

KeepRule RuleNamed(const PathString& name) {
  if (name == PATH_TEXT("oldest")) {
    return KeepRule::kOldest;
  }
  if (name == PATH_TEXT("newest")) {
    return KeepRule::kNewest;
  }
  if (name == PATH_TEXT("shortest")) {
    return KeepRule::kShortest;
  }
  if (name == PATH_TEXT("deepest")) {
    return KeepRule::kDeepest;
  }
  return name == PATH_TEXT("first") ? KeepRule::kFirst : KeepRule::kUnder;
}

// `withinChains`: each --within folder's chain (see HeldFolder), for HoldingApart.
bool Settle(const TidyOptions& options, PlanSettings* settings,
            std::vector<std::vector<FileIdentity>>* withinChains) {
  settings->action = options.action;
  settings->setAside = SetAsideFolders();
  for (const PathString& within : options.within) {
    HeldFolder held;
    if (!HoldNamed(kWithinOption, within, &held)) {
      return false;
    }
    settings->within.push_back(held.chain.back());
    withinChains->push_back(held.chain);
  }
  for (const KeepText& keep : options.keep) {
    KeepChoice choice;
    choice.rule = RuleNamed(keep.rule);
    HeldFolder held;
    if (choice.rule == KeepRule::kUnder) {
      if (!HoldNamed(kKeepUnderOption, keep.folder, &held)) {
        return false;
      }
      choice.folder = held.chain.back();
    }
    settings->rules.push_back(choice);
  }
  // The rules given decide first; the default ones break their ties.
  for (const KeepChoice& rule : DefaultKeepRules()) {
    settings->rules.push_back(rule);
  }
  return true;
}

// What every command but undo starts from: the report, checked, and the plan.
struct Checked {
  Report report;
  CheckedReport checked;
  std::vector<GroupPlan> plans;
};

bool ReadAndCheck(const TidyOptions& options, const PlanSettings& settings, Checked* result) {
  std::string why;
  if (!ReadReport(options.report, &result->report, &why)) {
    PrintFailure(kReportUnreadableLine, ShownPath(options.report).c_str(), why.c_str());
    return false;
  }
  Filters filters;
  filters.excludes = options.excludes;
  filters.minSize = options.minSize;
  CheckReport(result->report, filters, &result->checked, AccessAskedFor(settings.action));
  result->plans = PlanGroups(result->checked, result->report.paths, settings);
  return true;
}

// The options that only one command takes, and that command.
bool OnlyForItsCommand(const TidyOptions& options) {
  const struct {
    bool given;
    const char* option;
    Command command;
    const char* name;
  } only[] = {{!options.save.empty(), "--save", Command::kPlan, "plan"},
              {options.all, "--all", Command::kPlan, "plan"},
              {!options.planFile.empty(), "--plan", Command::kApply, "apply"}};
  for (const auto& one : only) {
    if (one.given && options.command != one.command) {
      PrintFailure(kOptionForLine, one.option, one.name);
      return false;
    }
  }
  if (!options.planFile.empty() && (options.actionGiven || !options.keep.empty())) {
    PrintFailure(kPlanDecidesLine, options.actionGiven ? "--action" : "--keep");
    return false;
  }
  return true;
}

// apply and undo change files only under --within; a move needs somewhere to go.
bool MayChange(const TidyOptions& options) {
  const bool applying = options.command == Command::kApply;
  if (!OnlyForItsCommand(options)) {
    return false;
  }
  if ((applying || options.command == Command::kUndo) && options.within.empty()) {
    PrintFailure(kNeedsWithinLine, applying ? kApplyCommand : kUndoCommand);
    return false;
  }
  if (applying && options.action == Action::kMove && options.holding.empty()) {
    PrintFailure(kNeedsHoldingLine);
    return false;
  }
  return true;
}

// A saved plan with a move needs the holding folder, as apply --action move does.
bool MovesWithoutHolding(const TidyOptions& options, const SavedPlan& plan) {
  for (const SavedFile& file : plan.files) {
    if (!file.keep && file.action == Action::kMove && options.holding.empty()) {
      PrintFailure(kNeedsHoldingLine);
      return true;
    }
  }
  return false;
}

// A holding folder that is a --within folder, holds one or lies under one would have a move put
// a copy where it is ("moved X to X") or where the next apply acts; one another user may change
// would let them rename the folders a move makes there, copies and all, out of undo's reach:
// refused before anything else. undo takes back from wherever an earlier apply moved to.
bool HoldingApart(const TidyOptions& options, const HeldFolder& holding,
                  const std::vector<std::vector<FileIdentity>>& withinChains) {
  if (options.holding.empty() || options.command == Command::kUndo) {
    return true;
  }
  for (const std::vector<FileIdentity>& within : withinChains) {
    if (ChainUnderAny(holding.chain, {within.back()}) ||
        ChainUnderAny(within, {holding.chain.back()})) {
      PrintFailure(kFolderOptionLine, kHoldingOption, ShownPath(options.holding).c_str(),
                   kHoldingMeetsWithin);
      return false;
    }
  }
  if (!OnlyOwnerMayChange(holding)) {
    PrintFailure(kFolderOptionLine, kHoldingOption, ShownPath(options.holding).c_str(),
                 kHoldingNotOwn);
    return false;
  }
  return true;
}

// The command, on the report checked and planned.
int RunCommand(TextOutput& console, const TidyOptions& options, const PlanSettings& settings,
               HeldFolder* holding, const SavedPlan& saved, const Checked& run,
               long long sparesLeft) {
  switch (options.command) {
    case Command::kApply:
      return ApplySteps(console, options, settings.within, holding, run.report, run.checked,
                        options.planFile.empty()
                            ? StepsOfPlans(run.checked, run.report.paths, run.plans, options.action)
                            : StepsOfSavedPlan(saved, run.report, run.checked, settings.within),
                        sparesLeft);
    case Command::kExport:
      ExportGroups(console, options.format, options.report, run.report, run.checked, run.plans);
      return kExitDone;
    case Command::kPage:
      return WritePage(console, options, run.report, run.checked, run.plans);
    case Command::kCheck:
      PrintText(console, kCheckLine, run.checked.verified + run.checked.unresolved,
                ShownPath(options.report).c_str());
      return run.checked.verified + run.checked.unresolved > 0 ? kExitNotAll : kExitDone;
    case Command::kPlan:
      PrintPlan(console, run.report, run.checked, run.plans,
                PlanShown{options.action, options.holding, settings.within, options.all});
      PrintUnresolved(console, run.report, run.checked);
      return options.save.empty() ||
                     SavePlanFile(console, options, run.report, run.checked, run.plans)
                 ? kExitDone
                 : kExitTrouble;
    default:
      PrintSummary(console, options.report, run.report, run.checked, run.plans,
                   FindCopyFolders(run.report, run.checked, run.plans), !options.within.empty());
      return kExitDone;
  }
}

}  // namespace

int RunTidy(const TidyOptions& options, TextOutput& console) {
  if (options.command == Command::kHelp) {
    PrintText(console, kUsageText);
    return kExitDone;
  }
  if (options.command == Command::kVersion) {
    PrintText(console, kVersionLine, DUPSCAN_VERSION);
    return kExitDone;
  }
  PlanSettings settings;
  HeldFolder holding;
  std::vector<std::vector<FileIdentity>> withinChains;
  if (!MayChange(options) || !Settle(options, &settings, &withinChains) ||
      (!options.holding.empty() && !HoldNamed(kHoldingOption, options.holding, &holding)) ||
      !HoldingApart(options, holding, withinChains)) {
    return kExitTrouble;
  }
  // One apply or undo at a time writes the journal, from its first look at it to its last line.
  RunLock lock;
  const bool changing = options.command == Command::kApply || options.command == Command::kUndo;
  if (changing && !LockJournal(&lock)) {
    return kExitTrouble;
  }
  if (options.command == Command::kUndo) {
    return UndoMoves(console, settings.within, options.holding.empty() ? nullptr : &holding);
  }
  SavedPlan saved;
  if (!options.planFile.empty() &&
      (!LoadPlanFile(options, &saved) || MovesWithoutHolding(options, saved))) {
    return kExitTrouble;
  }
  // What an interrupted apply left beside its copies is settled before the report is checked,
  // so the check finds each copy back where the report saw it.
  long long sparesLeft = 0;
  if (options.command == Command::kApply &&
      !SettleSparesBeforeApply(console, settings.within, &sparesLeft)) {
    return kExitTrouble;
  }
  Checked run;
  if (!ReadAndCheck(options, settings, &run)) {
    return kExitTrouble;
  }
  const int status = RunCommand(console, options, settings, &holding, saved, run, sparesLeft);
  // A report whose every group is unresolved (another machine's, or read in the wrong folder)
  // showed nothing that could be checked: no success, though nothing failed.
  const bool nothingChecked =
      run.checked.unresolved > 0 &&
      run.checked.unresolved == static_cast<long long>(run.checked.groups.size());
  return status == kExitDone && nothingChecked && options.command != Command::kCheck ? kExitNotAll
                                                                                     : status;
}

int RunTidyArguments(int count, PathChar** arguments) {
  TidyOptions options;
  if (!ParseCommandLine(count, arguments, &options)) {
    return kExitTrouble;
  }
  TextOutput console = StandardOutput();
  const int status = RunTidy(options, console);
  // What summary, plan and export print is what they are for, and apply's lines are its record:
  // output that did not all arrive (a full disk, a file size limit) is a failure.
  if (const int errorCode = FinishOutput(console)) {
    PrintFailure(kOutputFailedLine, ErrorText(errorCode).c_str());
    return kExitTrouble;
  }
  return status;
}
