#include "tidy/act/journal.h"

#include <set>

#include "platform/text_output.h"
#include "tidy/report/whole_file.h"
#include "tidy/tidy_texts.h"

int OpenJournal(Journal* journal) {
  return OpenDurable(PATH_TEXT(TIDY_JOURNAL_NAME), &journal->file);
}

bool LockJournal(RunLock* lock) {
  int errorCode = 0;
  switch (LockJournalFolder(lock, &errorCode)) {
    case LockResult::kLocked:
    case LockResult::kUnsupported:  // as before there were locks: the manual says so
      return true;
    case LockResult::kHeldElsewhere:
      PrintFailure(kJournalBusyLine);
      return false;
    default:
      PrintFailure(kJournalFailedLine, ErrorText(errorCode).c_str());
      return false;
  }
}

std::string JournalErrorText(int errorCode) {
  return errorCode == kNotOwnFile ? kJournalNotOwn : ErrorText(errorCode);
}

bool StepFinished(const std::vector<JournalLine>& lines, std::size_t index) {
  if (LineHas(lines[index], kOutcomeKey)) {
    return true;  // skipped before anything changed: intent and outcome on one line
  }
  return index + 1 < lines.size() && LineHas(lines[index + 1], kOutcomeKey) &&
         LineHas(lines[index + 1], kStepKey) && LineHas(lines[index], kStepKey) &&
         lines[index + 1].at(kStepKey).number == lines[index].at(kStepKey).number;
}

bool IsSpareName(const PathString& name) {
  const PathString stem = kSpareNameStem;
  return name.compare(0, stem.size(), stem) == 0 && name.find(kPathSeparator) == PathString::npos &&
         name.find(PATH_TEXT('/')) == PathString::npos;
}

bool Record(Journal& journal, const JsonObject& line) {
  if (journal.errorCode == 0) {
    journal.errorCode = AppendDurably(journal.file, line.Line());
  }
  return journal.errorCode == 0;
}

bool ReadJournal(std::vector<JournalLine>* lines, std::string* why) {
  const int checked = CheckDurable(PATH_TEXT(TIDY_JOURNAL_NAME));
  if (checked == kNotOwnFile) {
    *why = kJournalNotOwn;
    return false;
  }
  std::string bytes;
  if (!ReadWholeFileNoLink(PATH_TEXT(TIDY_JOURNAL_NAME), &bytes, why)) {
    return false;
  }
  std::size_t position = 0;
  while (position < bytes.size()) {
    std::size_t end = bytes.find('\n', position);
    if (end == std::string::npos) {
      end = bytes.size();
    }
    JournalLine line;
    if (ParseJsonObject(bytes.substr(position, end - position), &line)) {
      lines->push_back(std::move(line));
    }
    position = end + 1;
  }
  return true;
}

std::vector<FileIdentity> SetAsideFolders() {
  std::vector<JournalLine> lines;
  std::string why;
  std::set<PathString> named;
  if (ReadJournal(&lines, &why)) {
    for (const JournalLine& line : lines) {
      PathString path;
      PathString name;
      if (LineHas(line, kHoldingKey) && JsonPath(line.at(kHoldingKey), &path)) {
        named.insert(path);
      }
      if (LineHas(line, kToKey) && JsonPath(line.at(kToKey), &path)) {
        SplitPath(PathString(path), &path, &name);
        named.insert(path);
      }
    }
  }
  std::vector<FileIdentity> folders;
  for (const PathString& path : named) {
    HeldFolder held;
    if (path.empty()) {
      continue;
    }
    int errorCode = 0;
    if (HoldFolder(path, &held, &errorCode) == HoldResult::kHeld) {
      folders.push_back(held.chain.back());
    }
  }
  return folders;
}
