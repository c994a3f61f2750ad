#include "tidy/act/undo.h"

#include <string>

#include "platform/entry_actions.h"
#include "platform/held_folder.h"
#include "tidy/act/journal.h"
#include "tidy/act/spares.h"
#include "tidy/exit_status.h"
#include "tidy/report/failure_texts.h"
#include "tidy/report/group_check.h"
#include "tidy/report/shown_path.h"
#include "tidy/tidy_texts.h"

namespace {

// A file the journal says was moved into the holding folder.
struct Restorable {
  PathString from;  ///< where it is now
  PathString to;    ///< its old name
  FileState state;  ///< volume, index and size as recorded
};

bool Has(const JournalLine& line, const char* key) { return line.count(key) != 0; }

bool TextIs(const JournalLine& line, const char* key, const char* value) {
  return Has(line, key) && line.at(key).isText && JsonAscii(line.at(key)) == value;
}

bool Recorded(const JournalLine& line, Restorable* restorable) {
  if (!JsonPath(line.at(kCopyKey), &restorable->to) || !Has(line, kToKey) ||
      !JsonPath(line.at(kToKey), &restorable->from)) {
    return false;
  }
  restorable->state.identity.volume = static_cast<std::uint64_t>(line.at(kVolumeKey).number);
  restorable->state.identity.index = static_cast<std::uint64_t>(line.at(kIndexKey).number);
  restorable->state.identity.known = true;
  restorable->state.size = line.at(kSizeKey).number;
  return true;
}

// The removals, links and reflinks the journal records as done: nothing brings their files back.
long long Irreversible(const std::vector<JournalLine>& lines) {
  long long count = 0;
  for (std::size_t index = 0; index + 1 < lines.size(); ++index) {
    const JournalLine& line = lines[index];
    const bool changing = TextIs(line, kActionKey, kRemoveWord) ||
                          TextIs(line, kActionKey, kLinkWord) ||
                          TextIs(line, kActionKey, kReflinkWord);
    if (changing && !Has(line, kOutcomeKey) && StepFinished(lines, index) &&
        TextIs(lines[index + 1], kOutcomeKey, kDoneValue)) {
      ++count;
    }
  }
  return count;
}

std::vector<Restorable> Collect(const std::vector<JournalLine>& lines) {
  std::vector<Restorable> found;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const JournalLine& line = lines[index];
    if (!Has(line, kActionKey) || !Has(line, kCopyKey) || !Has(line, kVolumeKey) ||
        !Has(line, kIndexKey) || !Has(line, kSizeKey) || TextIs(line, kActionKey, kMoveBackValue)) {
      continue;
    }
    Restorable restorable;
    if (TextIs(line, kActionKey, kMoveWord) && !Has(line, kOutcomeKey) &&
        Recorded(line, &restorable)) {
      found.push_back(restorable);
    }
  }
  return found;
}

struct Undoing {
  TextOutput& console;
  const std::vector<FileIdentity>& within;
  const HeldFolder* holding;
  Journal journal;
  long long step = 0;
  long long done = 0;
  long long skipped = 0;
};

void Skipped(Undoing& undoing, const Restorable& restorable, const std::string& why) {
  PrintText(undoing.console, kSkippedLine, ShownPath(restorable.from).c_str(), why.c_str());
  ++undoing.skipped;
}

bool IsRecorded(const EntryStatus& entry, const FileState& state) {
  return entry.type == EntryType::kFile && SameFile(entry.state.identity, state.identity) &&
         entry.state.size == state.size;
}

// The rename back, recorded before and after; false when the journal failed.
bool MoveBack(Undoing& undoing, const Restorable& restorable, const HeldFolder& fromFolder,
              const PathString& fromName, const HeldFolder& toFolder, const PathString& toName) {
  JsonObject intent;
  intent.Number(kStepKey, ++undoing.step)
      .Text(kActionKey, kMoveBackValue)
      .Path(kCopyKey, restorable.to)
      .Path(kToKey, restorable.from)
      .Number(kVolumeKey, static_cast<long long>(restorable.state.identity.volume))
      .Number(kIndexKey, static_cast<long long>(restorable.state.identity.index))
      .Number(kSizeKey, restorable.state.size);
  if (!Record(undoing.journal, intent)) {
    return false;
  }
  const ActionOutcome moved = RenameWithoutReplacing(fromFolder, fromName, toFolder, toName);
  JsonObject outcome;
  outcome.Number(kStepKey, undoing.step)
      .Text(kOutcomeKey, moved.result == ActionResult::kDone ? kDoneValue : kSkippedValue);
  if (moved.result == ActionResult::kDone) {
    SyncFolder(toFolder);
    PrintText(undoing.console, kDoneLine, kMovedBackWord, ShownPath(restorable.to).c_str());
    ++undoing.done;
  } else {
    Skipped(undoing, restorable, SystemRefusedText(moved.errorCode));
  }
  return Record(undoing.journal, outcome);
}

// Why a moved file may not be taken from where it is, or null when it may: only from under the
// holding folder the user named.
const char* RefusedSource(const Undoing& undoing, const HeldFolder& from) {
  const bool inHolding =
      undoing.holding != nullptr && ChainUnderAny(from.chain, {undoing.holding->chain.back()});
  return inHolding ? nullptr : kNotInHolding;
}

bool Restore(Undoing& undoing, const Restorable& restorable) {
  PathString fromText;
  PathString fromName;
  PathString toText;
  PathString toName;
  SplitPath(restorable.from, &fromText, &fromName);
  SplitPath(restorable.to, &toText, &toName);
  HeldFolder from;
  HeldFolder to;
  int errorCode = 0;
  if (HoldListedFolderAfresh(fromText, &from, &errorCode) != HoldResult::kHeld ||
      !IsRecorded(StatEntry(from, fromName), restorable.state)) {
    if (HoldListedFolder(toText, &to, &errorCode) != HoldResult::kHeld ||
        !IsRecorded(StatEntry(to, toName), restorable.state)) {
      Skipped(undoing, restorable, kNotTheMovedFile);
    }
    return true;  // back already, or never moved
  }
  const char* refused = RefusedSource(undoing, from);
  const HoldResult held =
      refused ? HoldResult::kHeld : HoldListedFolderAfresh(toText, &to, &errorCode);
  if (refused) {
    Skipped(undoing, restorable, refused);
  } else if (held != HoldResult::kHeld) {
    Skipped(undoing, restorable, FolderUnreachableText(held, errorCode));
  } else if (!ChainUnderAny(to.chain, undoing.within)) {
    Skipped(undoing, restorable, kOutsideWithin);
  } else if (StatEntry(to, toName).type != EntryType::kMissing) {
    Skipped(undoing, restorable, kOriginalTaken);
  } else {
    return MoveBack(undoing, restorable, from, fromName, to, toName);
  }
  return true;
}

}  // namespace

int UndoMoves(TextOutput& console, const std::vector<FileIdentity>& within,
              const HeldFolder* holding) {
  std::vector<JournalLine> lines;
  std::string why;
  if (!ReadJournal(&lines, &why)) {
    PrintFailure(kJournalUnreadableLine, why.c_str());
    return kExitTrouble;
  }
  Undoing undoing{console, within, holding, Journal(), 0, 0, 0};
  const int errorCode = OpenJournal(&undoing.journal);
  JsonObject start;
  start.Text(kRunKey, kUndoCommand);
  if (errorCode != 0 || !Record(undoing.journal, start)) {
    PrintFailure(kJournalFailedLine,
                 JournalErrorText(errorCode != 0 ? errorCode : undoing.journal.errorCode).c_str());
    return kExitTrouble;
  }
  const SpareTotals spares = SettleSpares(console, lines, within, undoing.journal);
  if (spares.journalFailed) {
    PrintFailure(kJournalFailedLine, JournalErrorText(undoing.journal.errorCode).c_str());
    return kExitTrouble;
  }
  undoing.done += spares.settled;
  undoing.skipped += spares.left;
  const std::vector<Restorable> found = Collect(lines);
  for (auto restorable = found.rbegin(); restorable != found.rend(); ++restorable) {
    if (!Restore(undoing, *restorable)) {
      PrintFailure(kJournalFailedLine, JournalErrorText(undoing.journal.errorCode).c_str());
      return kExitTrouble;
    }
  }
  const long long irreversible = Irreversible(lines);
  if (!found.empty() || spares.settled + spares.left > 0 || irreversible == 0) {
    PrintText(console, kUndoTotalsLine, undoing.done, undoing.skipped);
  }
  if (irreversible > 0) {
    PrintText(console, kCannotUndoLine, irreversible);
  }
  return undoing.skipped > 0 ? kExitNotAll : kExitDone;
}
