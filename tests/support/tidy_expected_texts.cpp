#include "support/tidy_expected_texts.h"

#include <cstdio>

namespace {

std::string Number(long long value) { return std::to_string(value); }

// printf's "%-9s": the word, then spaces up to nine characters.
std::string Padded(const std::string& word, std::size_t width) {
  return word.size() >= width ? word : word + std::string(width - word.size(), ' ');
}

// dupscan's size text and, from a kibibyte on, the bytes it stands for.
std::string WithBytes(const std::string& size, long long bytes) {
  return bytes < 1024 ? size : size + " (" + Number(bytes) + " bytes)";
}

}  // namespace

const char kTidyNamesNoFile[] = "names no file";
const char kTidyEmptyGroup[] = "is empty: empty files free nothing, and are never acted on";
const char kTidyReadTwoWays[] = "can be read two ways: a name holding a line feed runs over it";
const char kTidyThroughLink[] = "passes through a symbolic link";
const char kTidyIsLink[] = "is a symbolic link";
const char kTidyOutsideWithin[] = "not under --within";
const char kTidySameFileAsKept[] = "a hard link of the kept file";
const char kTidyKeptChanged[] = "the kept file changed or is gone";
const char kTidyKeptUnopenable[] = "the kept file is there but cannot be opened for reading";
const char kTidyHoldingFolderIsFile[] =
    "the holding folder has a file where the folder to move it into belongs";
const char kTidyCopyChanged[] = "changed since the report was checked";
const char kTidyReadOnly[] = "it is read-only";
const char kTidyFolderMoved[] = "a folder of its path is no longer where the check found it";
const char kTidyDiffers[] = "its bytes differ from the kept file's";
const char kTidyOtherVolume[] = "on another file system: nothing is copied across";
const char kTidySystemRefused[] = "the system refused";
const char kTidyHoldingMeetsWithin[] = "is, holds or lies under a --within folder";
const char kTidyHoldingNotOwn[] =
    "belongs to another user, or others may change it: they could rename what is moved there";
const char kTidyCannotClone[] = "the file system cannot make reflinks";
const char kTidyMovedBackWord[] = "moved back";
const char kTidyPlanCopyChanged[] = "changed since the plan was made";
const char kTidyPlanFormatName[] = "dupscan-tidy plan";
const char kTidyWrittenJustNow[] = "written too recently to be compared; run apply again";
const char kTidyCopyUnopenable[] = "it is there but cannot be opened for reading";
const char kTidyNotRegular[] = "is not a regular file";
const char kTidyNoDescriptors[] = "no more files may be opened at once (raise the limit)";
const char kTidyOtherOwner[] = "owned by another user than the kept file";
const char kTidyOpenForWriting[] = "open for writing by another program";
const char kTidyOtherAttributes[] =
    "its extended attributes (file capabilities among them) differ from the kept file's; a link "
    "would give it the kept file's";
const char kTidyKeptMoreWritable[] =
    "users who may not change it may write the kept file or replace it in its folder";
const char kTidyHoldingFolderNotOwn[] =
    "the holding folder's folder to move it into belongs to another user, or others may write it";
const char kTidyAllSetAside[] =
    "every copy lies in a holding folder an earlier move set copies aside in";
const char kTidyOtherAccess[] =
    "its group, permissions or access list differ from the kept file's; a link would change who "
    "may read or write it";

std::string TidyJournalName() { return "dupscan-tidy.journal"; }

std::string TidyJournalBusyLine() {
  return "dupscan-tidy: another apply or undo is using the journal dupscan-tidy.journal of this "
         "folder; stopped\n";
}

std::string TidyJournalNotOwnLine() {
  return "dupscan-tidy: cannot write the journal dupscan-tidy.journal: it is not this user's own "
         "file with one name, or its folder lets other users replace it; stopped\n";
}

std::string TidyCountsLine(long long groups, long long files, const std::string& report) {
  return Number(groups) + " groups, " + Number(files) + " files in " + report + "\n";
}

std::string TidyVerifiedLine(long long verified, long long unresolved, long long leftOut) {
  return "Groups: " + Number(verified) +
         " verified by name, size and identity (no bytes read yet), " + Number(unresolved) +
         " unresolved (never touched), " + Number(leftOut) + " left out\n";
}

std::string TidyFreeableLine(const std::string& size, long long bytes, long long files) {
  return WithBytes(size, bytes) + " can be freed, by " + Number(files) + " files\n";
}

std::string TidyFreeableSparseLine(const std::string& size, long long bytes, long long files,
                                   const std::string& sizes, long long sizesBytes) {
  return WithBytes(size, bytes) + " can be freed, by " + Number(files) +
         " files: what the disk gets back; their sizes add up to " + WithBytes(sizes, sizesBytes) +
         ", but sparse files take less\n";
}

std::string TidyCopyFoldersHeading(long long groups) {
  return "\nFolders that are copies of others (" + Number(groups) + " groups):\n";
}

std::string TidyCopyFolderLine(const std::string& copy, const std::string& original,
                               long long files, const std::string& size, long long bytes) {
  return copy + " is a copy of " + original + ": " + Number(files) + " files, " +
         WithBytes(size, bytes) + " to free\n";
}

std::string TidyCopyFolderLeftLine(const std::string& copy, const std::string& original,
                                   long long files, const std::string& size, long long bytes) {
  return copy + " is a copy of " + original + ": " + Number(files) +
         " files, some left as they are (plan --all says why): " + WithBytes(size, bytes) +
         " to free\n";
}

std::string TidyCopyFolderLinkedLine(const std::string& copy, const std::string& original,
                                     long long files) {
  return copy + " is a copy of " + original + ": " + Number(files) +
         " files, all hard links: nothing to free\n";
}

std::string TidyGroupLine(const std::string& freed, long long files, const std::string& size,
                          const std::string& kept) {
  char column[32];
  std::snprintf(column, sizeof column, "%10s", freed.c_str());
  return std::string(column) + "  " + Number(files) + " x " + size + "  " + kept + "\n";
}

std::string TidySparseGroupLine(const std::string& freed, long long files, const std::string& size,
                                const std::string& kept) {
  const std::string line = TidyGroupLine(freed, files, size + ", sparse", kept);
  return line;
}

std::string TidyFreeNothingLine(long long groups) {
  return "\n" + Number(groups) +
         " more groups free nothing: their copies are hard links of the files kept, or are left as "
         "they are (plan --all says why)\n";
}

std::string TidyUnresolvedLine(long long line, const std::string& path, const std::string& why) {
  return "line " + Number(line) + ": " + path + ": " + why + "\n";
}

std::string TidyCheckLine(long long groups, const std::string& report) {
  return Number(groups) + " groups in " + report + "\n";
}

std::string TidyPageWrittenLine(const std::string& page, long long groups, long long files,
                                long long bytes) {
  return page + ": " + Number(groups) + " groups, " + Number(files) + " files, " + Number(bytes) +
         " bytes can be freed; open it in a browser\n";
}

std::string TidyKeepLine(const std::string& path) { return "  keep     " + path + "\n"; }

std::string TidyActLine(const std::string& word, const std::string& path) {
  return "  " + Padded(word, 8) + " " + path + "\n";
}

std::string TidyMoveLine(const std::string& path, const std::string& to) {
  return "  move     " + path + " to " + to + "\n";
}

std::string TidyMoveClashLine(const std::string& path, const std::string& to) {
  return "  move     " + path + " to " + to +
         ": an earlier move takes that name, so apply will skip this one\n";
}

std::string TidyLeaveLine(const std::string& path, const std::string& why) {
  return "  leave    " + path + ": " + why + "\n";
}

std::string TidyPlanSavedLine(const std::string& file, long long steps, long long groups) {
  return "\nSaved to " + file + ": " + Number(steps) + " files to act on in " + Number(groups) +
         " groups. Carry it out with\n  dupscan-tidy apply --plan " + file + " --within DIR\n";
}

std::string TidyPlanHiddenLine() {
  return "Shown: the groups where something changes. --all shows every group and every file.\n";
}

std::string TidyDoneLine(const std::string& word, const std::string& path) {
  return Padded(word, 9) + " " + path + "\n";
}

std::string TidyMovedLine(const std::string& path, const std::string& to) {
  return "moved     " + path + " to " + to + "\n";
}

std::string TidySkippedLine(const std::string& path, const std::string& why) {
  return "skipped   " + path + ": " + why + "\n";
}

std::string TidyApplyTotals(long long done, long long skipped, long long freed) {
  return "\n" + Number(done) + " done, " + Number(skipped) + " skipped; " + Number(freed) +
         " bytes freed\n";
}

std::string TidyApplyUnresolvedHeading(long long groups) {
  return "\n" + Number(groups) + " groups unresolved, never touched:\n";
}

std::string TidyUndoTotals(long long movedBack, long long skipped) {
  return "\n" + Number(movedBack) + " moved back, " + Number(skipped) + " skipped\n";
}

std::string TidyReportOutOfDateLine(const std::string& report) {
  return report + " is out of date now: run dupscan again before the next summary, plan or apply\n";
}

std::string TidyEmptiedFolderLine(const std::string& folder) {
  return "removed   " + folder + ": a folder this apply left empty\n";
}

std::string TidyCannotUndoLine(long long files) {
  return Number(files) +
         " files were removed or replaced by links: that cannot be undone; undo moves back only "
         "what apply --action move moved\n";
}

std::string TidyOutputFailedLine(const std::string& why) {
  return "dupscan-tidy: cannot write the output: " + why + "\n";
}

std::string TidyFolderOptionLine(const std::string& option, const std::string& folder,
                                 const std::string& why) {
  return "dupscan-tidy: " + option + " " + folder + ": " + why + "\n";
}

std::string TidyUsageStart() { return "Usage: dupscan-tidy [COMMAND] [OPTION]...\n"; }

std::string TidyVersionStart() { return "dupscan-tidy "; }

std::string TidyBadSizeLine(const std::string& value) {
  return "dupscan-tidy: --min-size: not a size: " + value +
         ": a number of bytes, or a number followed by K, M or G (1024, 1048576 or 1073741824 "
         "bytes)\n";
}
