// One action on one copy: the checks right before it, and the steps that make it, each recorded
// in the journal first. The file system at this moment is the truth, not the report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/held_folder.h"
#include "tidy/act/journal.h"
#include "tidy/report/group_check.h"
#include "tidy/tidy_options.h"

struct ApplyContext {
  const Report& report;
  const CheckedReport& checked;
  Action action;
  const std::vector<FileIdentity>& within;
  const HeldFolder* holding;  ///< for move
  PathString holdingText;     ///< as typed, for the lines shown
  Journal& journal;
  long long step = 0;
};

struct PairOutcome {
  bool done = false;
  bool journalFailed = false;  ///< nothing more may be done
  std::string why;             ///< skipped: the reason
  PathString movedTo;          ///< move: where the copy went
  PathString leftAs;           ///< skipped, but the copy's name was taken: where the copy is
  std::int64_t freed = 0;      ///< bytes whose last name went
};

/// Checks and acts on `copy`, keeping `kept`. Right before acting: both are still the regular
/// files planned (identity, size, modification time), reached without a link; the copy is still
/// under --within and is not the kept file under another name; a fresh comparison of every byte
/// says equal. A link is made under a temporary name beside the copy and then takes the copy's
/// name; a reflink shares the kept file's blocks with the copy's own file, in place; a removal
/// first renames the copy aside, so the file removed is the file compared. Anything that fails
/// leaves both files as they were.
PairOutcome ActOnPair(ApplyContext& context, const Member& kept, const Member& copy);
