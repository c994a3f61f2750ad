// What dupscan-tidy prints, typed here again apart from the program's own texts, so that a
// changed text fails a test. Paths go in as the program prints them (bytes on POSIX, UTF-8 on
// Windows); numbers as numbers.
#pragma once

#include <string>

/// The journal's name in the working folder.
std::string TidyJournalName();

/// The line of an apply or undo that another run of the same folder holds the journal from.
std::string TidyJournalBusyLine();

// Summary.
std::string TidyCountsLine(long long groups, long long files, const std::string& report);
std::string TidyVerifiedLine(long long verified, long long unresolved, long long leftOut);
/// Sizes go in as dupscan's size text (`size`, "16.31 KB") and the bytes it stands for.
std::string TidyFreeableLine(const std::string& size, long long bytes, long long files);
/// The same when sparse files free less than their sizes: what the disk gets back, their sizes.
std::string TidyFreeableSparseLine(const std::string& size, long long bytes, long long files,
                                   const std::string& sizes, long long sizesBytes);
std::string TidyCopyFoldersHeading(long long groups);
std::string TidyCopyFolderLine(const std::string& copy, const std::string& original,
                               long long files, const std::string& size, long long bytes);
std::string TidyCopyFolderLeftLine(const std::string& copy, const std::string& original,
                                   long long files, const std::string& size, long long bytes);
std::string TidyCopyFolderLinkedLine(const std::string& copy, const std::string& original,
                                     long long files);
/// The bytes freed and the files' size as dupscan's size texts.
std::string TidyGroupLine(const std::string& freed, long long files, const std::string& size,
                          const std::string& kept);
std::string TidySparseGroupLine(const std::string& freed, long long files, const std::string& size,
                                const std::string& kept);
std::string TidyFreeNothingLine(long long groups);
std::string TidyUnresolvedLine(long long line, const std::string& path, const std::string& why);
std::string TidyCheckLine(long long groups, const std::string& report);
std::string TidyPageWrittenLine(const std::string& page, long long groups, long long files,
                                long long bytes);

// Plan.
std::string TidyKeepLine(const std::string& path);
std::string TidyActLine(const std::string& word, const std::string& path);
std::string TidyMoveLine(const std::string& path, const std::string& to);
std::string TidyMoveClashLine(const std::string& path, const std::string& to);
std::string TidyLeaveLine(const std::string& path, const std::string& why);
/// The line under a plan that shows only what changes.
std::string TidyPlanHiddenLine();

// The saved plan.
extern const char kTidyPlanFormatName[];
std::string TidyPlanSavedLine(const std::string& file, long long steps, long long groups);

// Apply and undo.
std::string TidyDoneLine(const std::string& word, const std::string& path);
std::string TidyMovedLine(const std::string& path, const std::string& to);
std::string TidySkippedLine(const std::string& path, const std::string& why);
std::string TidyApplyTotals(long long done, long long skipped, long long freed);
/// The heading of apply's list of unresolved groups, which counts them.
std::string TidyApplyUnresolvedHeading(long long groups);
std::string TidyUndoTotals(long long movedBack, long long skipped);
/// apply's last line once it changed something.
std::string TidyReportOutOfDateLine(const std::string& report);
std::string TidyEmptiedFolderLine(const std::string& folder);
/// undo's line for the removals and links in the journal.
std::string TidyCannotUndoLine(long long files);
/// The word of undo's line for a file it moved back, in TidyDoneLine.
extern const char kTidyMovedBackWord[];

/// The line on standard error when standard output fails.
std::string TidyOutputFailedLine(const std::string& why);

/// The line on standard error for a folder an option names that cannot serve.
std::string TidyFolderOptionLine(const std::string& option, const std::string& folder,
                                 const std::string& why);

/// The first line of the usage text.
std::string TidyUsageStart();
/// --version's line, up to the version.
std::string TidyVersionStart();
/// The line on standard error for a --min-size that is no size.
std::string TidyBadSizeLine(const std::string& value);

// The reasons.
extern const char kTidyNamesNoFile[];
extern const char kTidyReadTwoWays[];
extern const char kTidyEmptyGroup[];
extern const char kTidyThroughLink[];
extern const char kTidyIsLink[];
extern const char kTidyOutsideWithin[];
extern const char kTidySameFileAsKept[];
extern const char kTidyKeptChanged[];
extern const char kTidyKeptUnopenable[];
extern const char kTidyCopyUnopenable[];
extern const char kTidyHoldingFolderIsFile[];
extern const char kTidyCopyChanged[];
extern const char kTidyFolderMoved[];
extern const char kTidyNotRegular[];
extern const char kTidyNoDescriptors[];
extern const char kTidyReadOnly[];
extern const char kTidyDiffers[];
extern const char kTidyOtherVolume[];
extern const char kTidySystemRefused[];
extern const char kTidyHoldingMeetsWithin[];
extern const char kTidyHoldingNotOwn[];
extern const char kTidyCannotClone[];
extern const char kTidyPlanCopyChanged[];
extern const char kTidyOtherOwner[];
extern const char kTidyOpenForWriting[];
extern const char kTidyOtherAttributes[];
extern const char kTidyKeptMoreWritable[];
extern const char kTidyHoldingFolderNotOwn[];
extern const char kTidyAllSetAside[];
extern const char kTidyWrittenJustNow[];
extern const char kTidyOtherAccess[];
/// The line that stops a run whose journal another user could have written or replaced.
std::string TidyJournalNotOwnLine();
