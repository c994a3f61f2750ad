// The journal: one line for every action, on the disk before the action it records, and one for
// its outcome after, so an interrupted apply can be understood and its moves undone.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/durable_file.h"
#include "platform/held_folder.h"
#include "platform/run_lock.h"
#include "tidy/plan/json_text.h"

using JournalLine = std::map<std::string, JsonValue>;

struct Journal {
  DurableFile file;
  int errorCode = 0;  ///< the first failure to write; nothing more is done after one

  Journal() = default;
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;
  ~Journal() { CloseDurable(&file); }
};

/// Opens the journal in the working folder, to append to it (see OpenDurable: the user's own
/// file, created new when there is none). Returns 0, kNotOwnFile, or the error code.
int OpenJournal(Journal* journal);

/// Takes the journal's lock for the whole of an apply or undo (see LockJournalFolder). False, once
/// it printed why, when another run holds it or the system refused it.
bool LockJournal(RunLock* lock);

/// Why the journal could not be opened or written, in words, for the code OpenJournal or a write
/// gave.
std::string JournalErrorText(int errorCode);

/// Appends one line and waits until it is on the disk. False once any write has failed.
bool Record(Journal& journal, const JsonObject& line);

/// Every line of the journal that is a JSON object, in order; the others (a line cut short by a
/// crash) are passed over. False, with the reason, when the journal cannot be read or is not the
/// user's own (another user could have written what it would make undo do).
bool ReadJournal(std::vector<JournalLine>* lines, std::string* why);

/// The folders the journal says moves set copies aside in, as they are now: each holding folder a
/// run names, and the folder each move put its copy in (a journal written before runs named
/// theirs). None when there is no journal to read.
std::vector<FileIdentity> SetAsideFolders();

/// Whether the line has the key.
inline bool LineHas(const JournalLine& line, const char* key) { return line.count(key) != 0; }

/// Whether the step that `lines[index]` begins has its outcome: on its own line, or on the next
/// line with its step number. A step without one was interrupted.
bool StepFinished(const std::vector<JournalLine>& lines, std::size_t index);

/// A name a step gives beside the copy: the spare stem and nothing that leads elsewhere.
bool IsSpareName(const PathString& name);

/// The stem of the names a step gives a copy it sets aside, or a link or clone it makes, beside
/// the copy; undo gives back only names of this form in the copy's own folder.
constexpr PathChar kSpareNameStem[] = PATH_TEXT(".dupscan-tidy");

// The journal's keys.
constexpr char kStepKey[] = "step";
constexpr char kActionKey[] = "action";
constexpr char kCopyKey[] = "copy";
constexpr char kKeptKey[] = "kept";
constexpr char kTemporaryKey[] = "temporary";
constexpr char kAsideKey[] = "aside";
constexpr char kToKey[] = "to";
constexpr char kVolumeKey[] = "volume";
constexpr char kIndexKey[] = "index";
constexpr char kSizeKey[] = "size";
constexpr char kOutcomeKey[] = "outcome";
constexpr char kWhyKey[] = "why";
constexpr char kRunKey[] = "run";
constexpr char kPlanKey[] = "plan";
constexpr char kHoldingKey[] = "holding";
// The journal's values.
constexpr char kDoneValue[] = "done";
constexpr char kSkippedValue[] = "skipped";
constexpr char kMoveBackValue[] = "move back";
constexpr char kSettleSpareValue[] = "settle spare";
