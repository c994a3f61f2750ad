#include "tidy/act/spares.h"

#include "content/same_content.h"
#include "platform/entry_actions.h"
#include "platform/held_folder.h"
#include "tidy/act/step_hook.h"
#include "tidy/report/failure_texts.h"
#include "tidy/report/group_check.h"
#include "tidy/tidy_texts.h"

namespace {

// One unfinished step: its copy, as the report spelled it, the copy's recorded identity, the
// kept file's path, and the spare names it gave.
struct Unfinished {
  PathString copy;
  PathString kept;
  FileIdentity identity;
  std::vector<PathString> spares;
};

std::vector<Unfinished> CollectUnfinished(const std::vector<JournalLine>& lines) {
  std::vector<Unfinished> found;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const JournalLine& line = lines[index];
    Unfinished step;
    if (!LineHas(line, kCopyKey) || !LineHas(line, kKeptKey) || !LineHas(line, kVolumeKey) ||
        !LineHas(line, kIndexKey) || StepFinished(lines, index) ||
        !JsonPath(line.at(kCopyKey), &step.copy) || !JsonPath(line.at(kKeptKey), &step.kept)) {
      continue;
    }
    step.identity.volume = static_cast<std::uint64_t>(line.at(kVolumeKey).number);
    step.identity.index = static_cast<std::uint64_t>(line.at(kIndexKey).number);
    step.identity.known = true;
    for (const char* key : {kAsideKey, kTemporaryKey}) {
      PathString name;
      if (LineHas(line, key) && JsonPath(line.at(key), &name) && IsSpareName(name)) {
        step.spares.push_back(name);
      }
    }
    found.push_back(step);
  }
  return found;
}

struct Settling {
  TextOutput& console;
  Journal& journal;
  SpareTotals totals;
  long long step = 0;
};

// Where one step's spares are: its copy's folder, held, and the file now under the kept name.
struct Place {
  const Unfinished& step;
  HeldFolder folder;
  PathString folderText;
  PathString copyName;
  EntryStatus kept;
};

PathString Shown(const Place& place, const PathString& name) {
  return place.folderText.empty() ? name : place.folderText + kPathSeparator + name;
}

void Left(Settling& settling, const PathString& shown, const std::string& why) {
  PrintText(settling.console, kSkippedLine, shown.c_str(), why.c_str());
  ++settling.totals.left;
}

// Each change is in the journal before it is made and its outcome after; false when the journal
// failed (nothing more is then done).
bool Intent(Settling& settling, const Place& place, const PathString& spare) {
  JsonObject intent;
  intent.Number(kStepKey, ++settling.step)
      .Text(kActionKey, kSettleSpareValue)
      .Path(kCopyKey, place.step.copy)
      .Path(kTemporaryKey, spare);
  return Record(settling.journal, intent);
}

bool Outcome(Settling& settling, const ActionOutcome& outcome) {
  StepBoundary();
  JsonObject line;
  line.Number(kStepKey, settling.step)
      .Text(kOutcomeKey, outcome.result == ActionResult::kDone ? kDoneValue : kSkippedValue);
  return Record(settling.journal, line);
}

bool SameBytes(const HeldFolder& folder, const PathString& first, const PathString& second) {
  ReadableFile one;
  ReadableFile two;
  const bool oneOpened = OpenEntry(folder, first, &one) == OpenResult::kOpened;
  const bool twoOpened = OpenEntry(folder, second, &two) == OpenResult::kOpened;
  bool readError = false;
  const bool same = oneOpened && twoOpened && one.state.size == two.state.size &&
                    SameContent(one, two, &readError);
  if (oneOpened) {
    CloseFile(&one);
  }
  if (twoOpened) {
    CloseFile(&two);
  }
  return same;
}

// The spare removed, as a file that loses nothing by going; its line says why.
bool RemoveSpare(Settling& settling, const Place& place, const PathString& spare,
                 const FileState& state, const char* what, const PathString& of) {
  if (!Intent(settling, place, spare)) {
    return false;
  }
  const ActionOutcome removed = RemoveFile(place.folder, spare, state);
  if (removed.result == ActionResult::kDone) {
    SyncFolder(place.folder);
    PrintText(settling.console, kSpareRemovedLine, Shown(place, spare).c_str(), what, of.c_str());
    ++settling.totals.settled;
  } else {
    Left(settling, Shown(place, spare), SystemRefusedText(removed.errorCode));
  }
  return Outcome(settling, removed);
}

// The copy itself, set aside: its name back, by a rename when the name is free, by a swap when
// the kept file's new link took it (the link then goes).
bool CopyBack(Settling& settling, const Place& place, const PathString& spare,
              const EntryStatus& found, const EntryStatus& atName) {
  const bool linkOfKept = atName.type == EntryType::kFile && place.kept.type == EntryType::kFile &&
                          SameFile(atName.state.identity, place.kept.state.identity);
  if (atName.type != EntryType::kMissing && !linkOfKept) {
    Left(settling, Shown(place, spare), kOriginalTaken);
    return true;
  }
  if (!Intent(settling, place, spare)) {
    return false;
  }
  const ActionOutcome back =
      linkOfKept ? ExchangeEntries(place.folder, spare, place.copyName)
                 : RenameWithoutReplacing(place.folder, spare, place.folder, place.copyName);
  if (linkOfKept && back.result == ActionResult::kUnsupported) {
    // Where no swap can be made (Windows), the link stays and the step is finished instead: the
    // copy set aside goes once its bytes are again those of the link that took its name.
    if (!Outcome(settling, back)) {
      return false;
    }
    if (SameBytes(place.folder, spare, place.copyName)) {
      return RemoveSpare(settling, place, spare, found.state, kSpareCopyOf, place.step.copy);
    }
    Left(settling, Shown(place, spare), kSpareUnknown);
    return true;
  }
  if (back.result != ActionResult::kDone) {
    Left(settling, Shown(place, spare), SystemRefusedText(back.errorCode));
    return Outcome(settling, back);
  }
  SyncFolder(place.folder);
  PrintText(settling.console, kDoneLine, linkOfKept ? kPutBackWord : kMovedBackWord,
            place.step.copy.c_str());
  ++settling.totals.settled;
  if (!Outcome(settling, back)) {
    return false;
  }
  return !linkOfKept ||
         RemoveSpare(settling, place, spare, atName.state, kSpareNameOf, place.step.kept);
}

bool SettleOne(Settling& settling, const Place& place, const PathString& spare) {
  const EntryStatus found = StatEntry(place.folder, spare);
  if (found.type != EntryType::kFile) {
    return true;  // settled already, or never made
  }
  const EntryStatus atName = StatEntry(place.folder, place.copyName);
  const FileIdentity& identity = found.state.identity;
  if (SameFile(identity, place.step.identity)) {
    return CopyBack(settling, place, spare, found, atName);
  }
  const bool copyThere = atName.type == EntryType::kFile;
  if (copyThere && SameFile(identity, atName.state.identity)) {
    return RemoveSpare(settling, place, spare, found.state, kSpareNameOf, place.step.copy);
  }
  if (place.kept.type == EntryType::kFile && SameFile(identity, place.kept.state.identity)) {
    return RemoveSpare(settling, place, spare, found.state, kSpareNameOf, place.step.kept);
  }
  if (copyThere && SameBytes(place.folder, spare, place.copyName)) {
    return RemoveSpare(settling, place, spare, found.state, kSpareCopyOf, place.step.copy);
  }
  Left(settling, Shown(place, spare), kSpareUnknown);
  return true;
}

bool SettleStep(Settling& settling, const Unfinished& step,
                const std::vector<FileIdentity>& within) {
  Place place{step, HeldFolder(), PathString(), PathString(), EntryStatus()};
  SplitPath(step.copy, &place.folderText, &place.copyName);
  int errorCode = 0;
  if (step.spares.empty() ||
      HoldListedFolderAfresh(place.folderText, &place.folder, &errorCode) != HoldResult::kHeld) {
    return true;  // nothing left there to look at
  }
  PathString keptFolderText;
  PathString keptName;
  SplitPath(step.kept, &keptFolderText, &keptName);
  HeldFolder keptFolder;
  if (HoldListedFolder(keptFolderText, &keptFolder, &errorCode) == HoldResult::kHeld) {
    place.kept = StatEntry(keptFolder, keptName);
  }
  const bool inside = ChainUnderAny(place.folder.chain, within);
  for (const PathString& spare : step.spares) {
    if (!inside) {
      if (StatEntry(place.folder, spare).type == EntryType::kFile) {
        Left(settling, Shown(place, spare), kOutsideWithin);
      }
    } else if (!SettleOne(settling, place, spare)) {
      return false;
    }
  }
  return true;
}

}  // namespace

SpareTotals SettleSpares(TextOutput& console, const std::vector<JournalLine>& lines,
                         const std::vector<FileIdentity>& within, Journal& journal) {
  Settling settling{console, journal, SpareTotals(), 0};
  const std::vector<Unfinished> found = CollectUnfinished(lines);
  for (auto step = found.rbegin(); step != found.rend(); ++step) {
    if (!SettleStep(settling, *step, within)) {
      settling.totals.journalFailed = true;
      break;
    }
  }
  return settling.totals;
}

bool SettleSparesBeforeApply(TextOutput& console, const std::vector<FileIdentity>& within,
                             long long* left) {
  const int found = CheckDurable(PATH_TEXT(TIDY_JOURNAL_NAME));
  if (found != 0) {
    return true;  // none yet; one that is not the user's own, apply's own open says so
  }
  std::vector<JournalLine> lines;
  std::string why;
  if (!ReadJournal(&lines, &why)) {
    PrintFailure(kJournalUnreadableLine, why.c_str());
    return false;
  }
  if (CollectUnfinished(lines).empty()) {
    return true;
  }
  Journal journal;
  const int errorCode = OpenJournal(&journal);
  JsonObject start;
  start.Text(kRunKey, kApplyCommand);
  const SpareTotals totals = errorCode == 0 && Record(journal, start)
                                 ? SettleSpares(console, lines, within, journal)
                                 : SpareTotals{0, 0, true};
  if (totals.journalFailed) {
    PrintFailure(kJournalFailedLine,
                 JournalErrorText(errorCode != 0 ? errorCode : journal.errorCode).c_str());
    return false;
  }
  *left = totals.left;
  return true;
}
