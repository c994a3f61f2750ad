// One pair's action under way: the two files, open, and what its steps have done so far, shared
// by the checks, the steps that replace or move the copy, and the journal's lines for them.
#pragma once

#include <string>

#include "platform/entry_actions.h"
#include "platform/held_folder.h"
#include "platform/readable_file.h"
#include "tidy/act/journal.h"
#include "tidy/act/pair_action.h"
#include "tidy/plan/json_text.h"

// One file of the pair, open, with the folder it is in held.
struct Side {
  HeldFolder folder;
  PathString folderText;  ///< as the report spells it, to reach the folder afresh
  std::size_t below = 0;  ///< the level of its chain it must stay under (see HoldListedFolderAgain)
  PathString name;
  ReadableFile file;
  bool opened = false;
  bool leased = false;  ///< a read lease is held on the file (see TakeReadLease)

  Side() = default;
  Side(const Side&) = delete;
  Side& operator=(const Side&) = delete;
  ~Side() {
    if (opened) {
      CloseFile(&file);
    }
  }
};

struct Steps {
  ApplyContext& context;
  Side& kept;
  Side& copy;
  PairOutcome outcome;
  JsonObject intent;
  PathString temporary;
  PathString aside;
  PathString copyFolderText;  ///< as the report spells it, up to the copy's name
  bool begun = false;
  bool keptLinked = false;  ///< a hard link of the kept file was made: its change time moved
};

// The checks (pair_checks.cpp).

/// Same file, size and modification time as planned.
bool AsPlanned(const FileState& now, const FileState& planned);
/// The name is still the file compared and nothing wrote it since.
bool Unwritten(const HeldFolder& folder, const PathString& name, const FileState& compared);
/// Every check right before the action, both sides opened; false with the reason.
bool Ready(const ApplyContext& context, const Member& kept, const Member& copy, Side* keptSide,
           Side* copySide, std::string* why);
/// The kept file is still the one compared, under its name, unwritten since.
bool KeptAsCompared(const Steps& steps);
/// Neither file was written or replaced since the comparison, and the copy's folder is where
/// the check found it; false, with the copy skipped.
bool StillAsCompared(Steps& steps);
/// Right before the copy's old bytes go: why they may not (the kept file changed, or the copy's
/// folder is no longer where the check found it), or null.
const char* WhyNotFinish(const Steps& steps);

// How a step ends (pair_checks.cpp).

void Skip(Steps& steps, const std::string& why);
/// The copy's folder synced, and the bytes freed counted.
void Done(Steps& steps);
/// Why an action the system took refused, in words.
std::string ActionText(const ActionOutcome& outcome);
/// After a change the system made or refused: the step's boundary, and the copy skipped with the
/// system's reason when it was refused. True when it was made. Called as the right side of
/// `StillAsCompared(steps) ||`, the checks come right before the change.
bool ChangeMade(Steps& steps, const ActionOutcome& outcome);

// The journal's lines (pair_records.cpp).

JsonObject IntentOf(ApplyContext& context, const char* word, const Member& kept,
                    const Member& copy);
/// The intent on the disk before anything changes; false when it could not be written.
bool Begin(Steps& steps);
/// A copy skipped before anything changed: its intent and outcome on one line.
void RecordSkip(Steps& steps);
/// The outcome of a step begun, unless the copy was left under another name.
void Finish(Steps& steps);

// The actions (replace_steps.cpp, move_step.cpp), each after Begin.

void Remove(Steps& steps);
void Link(Steps& steps);
void Reflink(Steps& steps);
/// Holds the holding folder's subfolders for the copy, begins, and moves it there.
void MoveWithChecks(Steps& steps, const Member& copy);
