// Every text dupscan-tidy prints, as output_texts.h is for dupscan: scripts read these lines, so
// they change only on purpose. Formats are printf formats; a path goes in through "%" PATH_ARG,
// numbers as long long.
#pragma once

#include "platform/path_text.h"

#define TIDY_PROGRAM_NAME "dupscan-tidy"
/// The journal's name, in the working folder.
#define TIDY_JOURNAL_NAME "dupscan-tidy.journal"
/// The page's name, beside the report, when --output names no other.
#define TIDY_PAGE_NAME "duplicates.html"

constexpr char kUsageText[] =
    "Usage: " TIDY_PROGRAM_NAME
    " [COMMAND] [OPTION]...\n"
    "Acts on the groups of identical files that dupscan wrote to duplicates.txt, checking\n"
    "every file on the disk first: the report is never trusted.\n"
    "\n"
    "Commands:\n"
    "  summary   what can be freed, largest first (the default)\n"
    "  plan      which file each group keeps, and what happens to the others; changes nothing\n"
    "            (--save FILE keeps it in FILE)\n"
    "  apply     carry out the plan, comparing each pair afresh (needs --within); with\n"
    "            --plan FILE, the plan saved in FILE and nothing else\n"
    "  undo      move back what apply moved into a holding folder (needs --within, and\n"
    "            --holding for what was moved)\n"
    "  check     exit status 1 when the report holds groups, 0 when it holds none\n"
    "  export    the verified groups as JSON, or as NUL-ended records (--format nul)\n"
    "  page      one HTML file to look at the groups in a browser, choose the files to keep\n"
    "            and save a plan (--output FILE; default: " TIDY_PAGE_NAME
    " beside the report)\n"
    "\n"
    "Options:\n"
    "  --report FILE    the report to read (default: duplicates.txt)\n"
    "  --within DIR     change only files under DIR; may be given more than once\n"
    "  --keep RULE      which file of a group to keep: oldest, newest, shortest, deepest,\n"
    "                   first, under:DIR; may be given more than once, the first deciding\n"
    "                   first, then oldest, shortest and first break the ties left\n"
    "  --action ACTION  what happens to the other files: remove (default), link, reflink, move\n"
    "  --holding DIR    the folder move puts them in, keeping their paths (needed for move)\n"
    "  --min-size N     leave out groups of files smaller than N bytes (suffix K, M or G)\n"
    "  --exclude GLOB   leave out files whose path matches GLOB (* and ?); may be repeated\n"
    "  --format FORMAT  what export writes: json (default) or nul\n"
    "  --all            plan: show every group and every file, not only what changes\n"
    "  --save FILE      plan: save the plan in FILE, for apply --plan\n"
    "  --plan FILE      apply: carry out the plan saved in FILE, each step checked afresh\n"
    "  --output FILE    page: the file to write\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "Exit status: 0 done; 1 a step skipped or a group unresolved (apply, undo), every group\n"
    "unresolved (summary, plan, export, page), groups found (check); 2 could not run.\n";

/// What --version prints: the program and the project's version.
constexpr char kVersionLine[] = TIDY_PROGRAM_NAME " %s\n";

// Summary: the counts, the copied folders, the groups by bytes freed; and check's one line.
constexpr char kCountsLine[] = "%lld groups, %lld files in %" PATH_ARG "\n";
/// What the check verified: no byte is read until apply compares them.
constexpr char kVerifiedLine[] =
    "Groups: %lld verified by name, size and identity (no bytes read yet), %lld unresolved "
    "(never touched), %lld left out\n";
/// What can be freed (a size with its bytes), and by how many files.
constexpr char kFreeableLine[] = "%s can be freed, by %lld files\n";
/// The same when some of the files are sparse: what the disk gets back, then their sizes.
constexpr char kFreeableSparseLine[] =
    "%s can be freed, by %lld files: what the disk gets back; their sizes add up to %s, but "
    "sparse files take less\n";
constexpr char kCopyFoldersHeading[] = "\nFolders that are copies of others (%lld groups):\n";
/// The copy, the original, its files, and what removing the copy frees (a size with its bytes).
constexpr char kCopyFolderLine[] =
    "%" PATH_ARG " is a copy of %" PATH_ARG ": %lld files, %s to free\n";
/// The same where the plan leaves some of the copy's files as they are: what the rest free.
constexpr char kCopyFolderLeftLine[] = "%" PATH_ARG " is a copy of %" PATH_ARG
                                       ": %lld files, some left as they are (plan --all says "
                                       "why): %s to free\n";
constexpr char kCopyFolderLinkedLine[] =
    "%" PATH_ARG " is a copy of %" PATH_ARG ": %lld files, all hard links: nothing to free\n";
constexpr char kGroupsHeading[] = "\nGroups by the bytes they can free, largest first:\n";
constexpr char kOtherGroupsHeading[] =
    "\nThe other groups, by the bytes they can free, largest first:\n";
/// The bytes freed and the files' size (dupscan's size texts), the count, the file kept.
constexpr char kGroupLine[] = "%10s  %lld x %s  %" PATH_ARG "\n";
constexpr char kSparseGroupLine[] = "%10s  %lld x %s, sparse  %" PATH_ARG "\n";
constexpr char kFreeNothingLine[] =
    "\n%lld more groups free nothing: their copies are hard links of the files kept, or are left "
    "as they are (plan --all says why)\n";
constexpr char kFreeNothingWithinLine[] =
    "\n%lld more groups free nothing: their copies are hard links of the files kept, not under "
    "--within, or left as they are (plan --all says why)\n";
constexpr char kUnresolvedHeading[] = "\nUnresolved groups, never touched:\n";
constexpr char kApplyUnresolvedHeading[] = "\n%lld groups unresolved, never touched:\n";
/// The report's line, the path, why.
constexpr char kUnresolvedLine[] = "line %lld: %" PATH_ARG ": %s\n";
constexpr char kCheckLine[] = "%lld groups in %" PATH_ARG "\n";

// A reason and what caused it, joined into one: "its folder cannot be reached: not a folder".
constexpr char kCauseSeparator[] = ": ";

// Why a group is unresolved.
constexpr char kNamesNoFile[] = "names no file";
constexpr char kThroughFile[] = "a name of its path is a file, not a folder";
constexpr char kPassesThroughLink[] = "passes through a symbolic link";
constexpr char kIsLink[] = "is a symbolic link";
constexpr char kNotRegular[] = "is not a regular file";
/// The process has as many files open as it may: nothing is wrong with the file itself.
constexpr char kNoDescriptors[] = "no more files may be opened at once (raise the limit)";
constexpr char kUnreachable[] = "cannot be looked at";
constexpr char kOtherSize[] = "has another size than the group's first file";
constexpr char kSizeTextDiffers[] = "does not have the size its heading says";
constexpr char kListedTwice[] = "is listed twice";
constexpr char kAloneInGroup[] = "is alone in its group";
constexpr char kUnfinishedGroup[] = "is in a group the report does not finish";
constexpr char kStrayLines[] = "is in a group followed by lines no group holds";
constexpr char kNotText[] = "is not UTF-8 text";
constexpr char kUnreadable[] = "could not be read to its end";
constexpr char kEmptyGroup[] = "is empty: empty files free nothing, and are never acted on";
constexpr char kReadTwoWays[] = "can be read two ways: a name holding a line feed runs over it";

// Plan: per group, the file kept and what happens to each other one.
constexpr char kPlanGroupHeading[] = "\n%lld files of %s:\n";
constexpr char kPlanKeepLine[] = "  keep     %" PATH_ARG "\n";
constexpr char kPlanActLine[] = "  %-8s %" PATH_ARG "\n";
constexpr char kPlanMoveLine[] = "  move     %" PATH_ARG " to %" PATH_ARG "\n";
constexpr char kPlanMoveClashLine[] =
    "  move     %" PATH_ARG " to %" PATH_ARG
    ": an earlier move takes that name, so apply will skip this one\n";
constexpr char kPlanLeaveLine[] = "  leave    %" PATH_ARG ": %s\n";
constexpr char kPlanTotalsLine[] = "\n%lld files to %s, %lld left as they are; %s freed\n";
constexpr char kPlanHiddenLine[] =
    "Shown: the groups where something changes. --all shows every group and every file.\n";
/// A size and its exact bytes: dupscan's size text, then the bytes.
constexpr char kSizeWithBytes[] = "%s (%lld bytes)";
// Why a file is left as it is.
constexpr char kOutsideWithin[] = "not under --within";
constexpr char kSameFileAsKept[] = "a hard link of the kept file";
// The actions, as the plan names them and as apply reports them done.
constexpr char kRemoveWord[] = "remove";
constexpr char kLinkWord[] = "link";
constexpr char kReflinkWord[] = "reflink";
constexpr char kMoveWord[] = "move";

// The saved plan (plan --save, apply --plan): one JSON object a line, a header first, then per
// group the file kept and each file acted on.
constexpr char kPlanFormatName[] = "dupscan-tidy plan";
constexpr long long kPlanFormatVersion = 1;
constexpr char kPlanFormatKey[] = "format";
constexpr char kPlanVersionKey[] = "version";
constexpr char kPlanReportKey[] = "report";
constexpr char kPlanActionKey[] = "action";
constexpr char kPlanPathKey[] = "path";
constexpr char kPlanSizeKey[] = "size";
constexpr char kPlanVolumeKey[] = "volume";
constexpr char kPlanIndexKey[] = "index";
constexpr char kPlanModifiedKey[] = "modified";
constexpr char kKeepWord[] = "keep";
constexpr char kPlanSavedLine[] =
    "\nSaved to %" PATH_ARG
    ": %lld files to act on in %lld groups. Carry it out with\n"
    "  " TIDY_PROGRAM_NAME " apply --plan %" PATH_ARG " --within DIR\n";
// Why a saved plan cannot be read; the line it is about comes first.
constexpr char kPlanNoHeader[] = "its first line is no {\"format\":\"dupscan-tidy plan\",...}";
constexpr char kPlanOtherVersion[] = "a plan of another version: this program reads version 1";
constexpr char kPlanBadLine[] =
    "not one file of a plan: an action (keep, remove, link, reflink, move), a path, a size, a "
    "volume, an index and a modified time";
constexpr char kPlanStepFirst[] = "a file acted on before any file kept";
constexpr char kPlanPathTwice[] = "a path the plan names twice";
// Why a step of a saved plan is not taken before anything is tried.
constexpr char kPlanNotInReport[] = "in no group of the report";
constexpr char kPlanKeptNotInReport[] = "its kept file is in no group of the report";
constexpr char kPlanGroupUnresolved[] = "its group in the report is unresolved, never touched";
constexpr char kPlanGroupLeftOut[] = "its group is left out by --min-size or --exclude";
constexpr char kPlanOtherGroup[] = "the report has it in another group than its kept file";
constexpr char kPlanCopyChanged[] = "changed since the plan was made";
constexpr char kPlanKeptChanged[] = "its kept file changed since the plan was made";

// Apply and undo: one line per action done or skipped, then the totals.
constexpr char kDoneLine[] = "%-9s %" PATH_ARG "\n";
constexpr char kMovedLine[] = "moved     %" PATH_ARG " to %" PATH_ARG "\n";
constexpr char kSkippedLine[] = "skipped   %" PATH_ARG ": %s\n";
constexpr char kSkippedBecauseLine[] = "skipped   %" PATH_ARG ": %s: %s\n";
/// The copy, why, and the name it is left under because another file took its own meanwhile.
constexpr char kLeftAsideLine[] =
    "skipped   %" PATH_ARG ": %s; another file took its name, so it is left as %" PATH_ARG "\n";
constexpr char kApplyTotalsLine[] = "\n%lld done, %lld skipped; %lld bytes freed\n";
constexpr char kUndoTotalsLine[] = "\n%lld moved back, %lld skipped\n";
/// After an apply that changed something: the report names files that are gone or are links now.
constexpr char kReportOutOfDateLine[] =
    "%" PATH_ARG " is out of date now: run dupscan again before the next summary, plan or apply\n";
/// A folder that held only files this apply removed, removed in turn.
constexpr char kEmptiedFolderLine[] = "removed   %" PATH_ARG ": a folder this apply left empty\n";
/// undo: the removals and links the journal records, which nothing can take back.
constexpr char kCannotUndoLine[] =
    "%lld files were removed or replaced by links: that cannot be undone; undo moves back only "
    "what apply --action move moved\n";
constexpr char kRemovedWord[] = "removed";
constexpr char kLinkedWord[] = "linked";
constexpr char kReflinkedWord[] = "reflinked";
constexpr char kMovedBackWord[] = "moved back";
/// A copy an interrupted link had swapped out, given its name back.
constexpr char kPutBackWord[] = "put back";
constexpr char kSpareRemovedLine[] =
    "removed   %" PATH_ARG ": left by an interrupted apply, %s %" PATH_ARG "\n";
constexpr char kSpareNameOf[] = "another name of";
constexpr char kSpareCopyOf[] = "the same bytes as";
constexpr char kSpareUnknown[] =
    "left by an interrupted apply, and neither the copy nor a copy of a file still there";
#include "tidy/tidy_skip_texts.h"  // why an action was skipped

// Export: JSON (one group to a line) or records that end in NUL, the largest saving first.
constexpr char kJsonStart[] = "{\"report\":%s,\"groups\":[";
/// The files' size, the bytes removing the copies frees, the index in "files" of the file kept.
constexpr char kJsonGroupStart[] = "%s\n{\"size\":%lld,\"freed\":%lld,\"keep\":%lld,\"files\":[";
/// The modified time in nanoseconds since 1970, as a saved plan has it.
constexpr char kJsonFile[] =
    "%s{\"path\":%s,\"volume\":%llu,\"index\":%llu,\"links\":%lld,\"modified\":\"%s\"}";
constexpr char kJsonGroupEnd[] = "]}";
constexpr char kJsonUnresolvedStart[] = "],\n\"unresolved\":[";
constexpr char kJsonUnresolved[] = "%s\n{\"line\":%lld,\"path\":%s,\"why\":%s}";
constexpr char kJsonEnd[] = "]}\n";
/// The group's number, the size, the file's identity, its path; then a NUL.
constexpr char kNulRecord[] = "%lld\t%lld\t%llu:%llu\t%" PATH_ARG "%c";

// Page: the file written, its groups and files, the bytes its plan would free as it opens.
constexpr char kPageWrittenLine[] =
    "%" PATH_ARG ": %lld groups, %lld files, %lld bytes can be freed; open it in a browser\n";

// Progress on standard error, when it is a terminal: each line written over the one before.
constexpr char kCheckProgressLine[] = "\rChecking the report: %lld of %lld files";
constexpr char kApplyProgressLine[] = "\rActing on %lld of %lld files";
/// Spaces over the last progress line, and back to its start.
constexpr char kProgressClearLine[] = "\r%79s\r";

// Standard error: one line, then exit status 2.
constexpr char kUnknownArgumentLine[] = TIDY_PROGRAM_NAME ": unknown command or option: %" PATH_ARG
                                                          "\nTry " TIDY_PROGRAM_NAME " --help.\n";
constexpr char kMissingValueLine[] = TIDY_PROGRAM_NAME ": %" PATH_ARG " needs a value\n";
constexpr char kBadValueLine[] =
    TIDY_PROGRAM_NAME ": %" PATH_ARG ": not a value it takes: %" PATH_ARG "\n";
constexpr char kBadSizeLine[] = TIDY_PROGRAM_NAME
    ": --min-size: not a size: %" PATH_ARG
    ": a number of bytes, or a number followed by K, M or G (1024, 1048576 or 1073741824 "
    "bytes)\n";
constexpr char kNeedsWithinLine[] =
    TIDY_PROGRAM_NAME ": %s changes files only under the folders named by --within DIR\n";
constexpr char kNeedsHoldingLine[] =
    TIDY_PROGRAM_NAME ": --action move needs --holding DIR, the folder to move into\n";
constexpr char kOptionForLine[] = TIDY_PROGRAM_NAME ": %s is for %s only\n";
constexpr char kPlanDecidesLine[] =
    TIDY_PROGRAM_NAME ": apply --plan does what the plan says: %s cannot change it\n";
constexpr char kFolderOptionLine[] = TIDY_PROGRAM_NAME ": %s %" PATH_ARG ": %s\n";
// The options and commands those lines name; the journal names its command too.
constexpr char kWithinOption[] = "--within";
constexpr char kKeepUnderOption[] = "--keep under:";
constexpr char kHoldingOption[] = "--holding";
constexpr char kApplyCommand[] = "apply";
constexpr char kUndoCommand[] = "undo";
constexpr char kReportUnreadableLine[] =
    TIDY_PROGRAM_NAME ": cannot read the report %" PATH_ARG ": %s\n";
constexpr char kJournalFailedLine[] =
    TIDY_PROGRAM_NAME ": cannot write the journal " TIDY_JOURNAL_NAME ": %s; stopped\n";
constexpr char kPlanUnreadableLine[] =
    TIDY_PROGRAM_NAME ": cannot read the plan %" PATH_ARG ": %s\n";
constexpr char kPlanLineUnreadableLine[] =
    TIDY_PROGRAM_NAME ": cannot read the plan %" PATH_ARG ": line %lld: %s\n";
constexpr char kPlanUnwritableLine[] =
    TIDY_PROGRAM_NAME ": cannot write the plan %" PATH_ARG ": %s\n";
/// Why the journal is not used: what another user could have written would steer undo.
constexpr char kJournalNotOwn[] =
    "it is not this user's own file with one name, or its folder lets other users replace it";
constexpr char kJournalBusyLine[] = TIDY_PROGRAM_NAME
    ": another apply or undo is using the journal " TIDY_JOURNAL_NAME " of this folder; stopped\n";
constexpr char kJournalUnreadableLine[] =
    TIDY_PROGRAM_NAME ": cannot read the journal " TIDY_JOURNAL_NAME ": %s\n";
constexpr char kPageFailedLine[] = TIDY_PROGRAM_NAME ": cannot write the page %" PATH_ARG ": %s\n";
constexpr char kOutputFailedLine[] = TIDY_PROGRAM_NAME ": cannot write the output: %s\n";
constexpr char kTidyOutOfMemoryLine[] = TIDY_PROGRAM_NAME ": out of memory\n";
constexpr char kTidyUnexpectedLine[] = TIDY_PROGRAM_NAME ": %s\n";
constexpr char kTidyUnknownFailureLine[] = TIDY_PROGRAM_NAME ": unexpected failure\n";
// Why a folder named by an option cannot serve.
constexpr char kNotAFolder[] = "not a folder";
constexpr char kNoSuchFolder[] = "no such folder";
constexpr char kHoldingMeetsWithin[] = "is, holds or lies under a --within folder";
constexpr char kHoldingNotOwn[] =
    "belongs to another user, or others may change it: they could rename what is moved there";
