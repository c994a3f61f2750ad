// Running dupscan-tidy on trees a test made, and telling whether any content was lost.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/run_program.h"

/// Runs dupscan-tidy with these arguments in the working folder `where`.
ProgramResult RunTidyIn(const std::filesystem::path& where,
                        const std::vector<PathString>& arguments, bool unprivileged = false);

/// The same, with the limits and standard streams `options` asks for.
ProgramResult RunTidyWith(const std::filesystem::path& where,
                          const std::vector<PathString>& arguments, ProgramOptions options);

/// Runs the copy of dupscan-tidy that ends itself, with no cleanup, at step `stopAt` of an apply
/// (0: never; then its standard error ends with "steps N").
ProgramResult RunTidyEndingAt(const std::filesystem::path& where, long long stopAt,
                              const std::vector<PathString>& arguments);

/// Runs the same copy, which at step `step` writes "EDIT" over the first bytes of `file` (in place)
/// and goes on; its standard error then holds "edited" when the file could be written. With
/// `timePutBack`, the file's modification time is then set back to what it was.
ProgramResult RunTidyEditingAt(const std::filesystem::path& where, long long step,
                               const std::filesystem::path& file,
                               const std::vector<PathString>& arguments, bool timePutBack = false);

/// Runs the same copy, which at step `step` renames `from` to `to` and goes on.
ProgramResult RunTidyRenamingAt(const std::filesystem::path& where, long long step,
                                const std::filesystem::path& from, const std::filesystem::path& to,
                                const std::vector<PathString>& arguments);

/// The same, making each rename of `renames` (from, to) in turn at that step.
ProgramResult RunTidyRenamingAt(
    const std::filesystem::path& where, long long step,
    const std::vector<std::pair<std::filesystem::path, std::filesystem::path>>& renames,
    const std::vector<PathString>& arguments);

/// The exit status of a run that RunTidyEndingAt ended at its step.
constexpr int kEndedAtStep = 86;

/// The N of the "steps N" a run of the copy that ends itself printed when it ran to its end; -1
/// when it printed none.
long long StepsRun(const ProgramResult& run);

/// Runs dupscan on `roots` in `where`, so duplicates.txt is there; fails the test if it does not
/// end well.
void WriteReport(const std::filesystem::path& where, const std::vector<PathString>& roots);

/// The distinct contents of every regular file below `root` (links are not followed).
std::set<std::string> Contents(const std::filesystem::path& root);

/// Every content of `before` is among `after`: no bytes were lost. Names the first one missing.
void ExpectNothingLost(const std::set<std::string>& before, const std::set<std::string>& after);

/// Sets the file's modification time to `daysAgo` days before now.
void SetAge(const std::filesystem::path& path, int daysAgo);

/// A file for WriteAgedFiles: where below the tree, its bytes, its age in days.
struct AgedFile {
  const char* path;
  std::string bytes;
  int age;
};

/// Writes each file below `root` and sets its age; returns their paths, in order.
std::vector<std::filesystem::path> WriteAgedFiles(const std::filesystem::path& root,
                                                  const std::vector<AgedFile>& files);

/// Whether two paths name one file (a hard link), without following links.
bool SameInode(const std::filesystem::path& first, const std::filesystem::path& second);

/// The line number (from 1) of the first line of `text` that equals `line`; 0 when none does.
long long LineNumber(const std::string& text, const std::string& line);

// What each system lets a test do to a tree, in tidy_support_posix.cpp and _win32.cpp.

/// Whether a name may hold a line feed (POSIX), so a report can be forged with one.
bool NamesHoldLineFeeds();

/// Puts a symbolic link to `target` in the place of the file `path`, or, where the system makes
/// none (wine), takes the file away. Returns the reason dupscan-tidy gives for the line then.
std::string SwapForLink(const std::filesystem::path& path, const std::filesystem::path& target);

/// Makes the file one that dupscan-tidy may not remove: POSIX, its folder read-only (and the
/// tree then nobody's, for a run as nobody, when the tests run as root); Windows, the file
/// read-only. Returns whether the next run must be unprivileged for it to hold.
bool MakeUnremovable(const std::filesystem::path& root, const std::filesystem::path& file);

/// How the line apply gives such a file begins: POSIX, the system's refusal, its own words to
/// follow; Windows, the whole line of a read-only copy.
std::string UnremovableLineStart(const std::string& path);

/// Whether the plan and the summary foresee that such a file stays (Windows: the attribute).
bool PlanForeseesUnremovable();

/// The file's identity as export writes it: "volume:index".
std::string IdentityText(const std::filesystem::path& path);

/// A file name with the odd characters the system allows (quotes, backslashes and tabs with a
/// byte that is not UTF-8 on POSIX; letters beyond the first plane on Windows), below "odd", and
/// that path as export's JSON spells it.
struct OddName {
  std::filesystem::path path;
  std::string json;
};
OddName OddExportName();
