// Running the built program in a working folder, as a user would, with a time limit.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/path_text.h"

struct ProgramResult {
  int exitCode = -1;
  bool timedOut = false;
  std::string output;        ///< standard output, with the platform's CR LF line ends read as LF
  std::string errors;        ///< standard error, likewise
  std::string outputBytes;   ///< standard output exactly as written
  double seconds = 0;        ///< from the start to the end of the program
  bool interrupted = false;  ///< the interruption the options asked for was sent
};

struct ProgramOptions {
  /// The file name of the program beside the tests: dupscan when empty.
  std::string program;
  std::filesystem::path workingDirectory;
  /// Variables to set (or, with an empty value and `unset`, to remove) for the program only.
  std::vector<std::pair<std::string, std::string>> environment;
  std::vector<std::string> unsetEnvironment;
  /// POSIX: run as the unprivileged user nobody, so that permissions really apply to root.
  bool unprivileged = false;
  /// POSIX: the largest file the program may write, in bytes (0: no limit), so that a report can
  /// fail part-way as on a full disk. Counts for the captured console output too.
  long long fileSizeLimit = 0;
  /// POSIX: how many files the program may have open at once, its standard streams included
  /// (0: no limit).
  int openFileLimit = 0;
  /// POSIX: the most address space the program may map, in bytes (0: no limit), so that an
  /// allocation fails where the limit falls.
  long long memoryLimit = 0;
  /// Linux: a folder mounted over the program's own /proc/self/fd (in a mount namespace of its
  /// own), as a chroot or a container someone else prepared may hold links there. The run exits
  /// with 120 where that cannot be done (a user without CAP_SYS_ADMIN).
  std::filesystem::path descriptorLinksInPlace;
  /// POSIX: standard descriptors the program starts with closed, as after `>&-`.
  std::vector<int> closedDescriptors;
  /// POSIX: standard output is a pipe whose reader has already gone, as after `| head -1` has
  /// read its line, so every write to the console fails.
  bool outputReaderGone = false;
  /// POSIX: the working directory is removed once the program is in it, as by `rmdir` from
  /// another shell.
  bool workingDirectoryRemoved = false;
  /// The program is interrupted once while it writes the report: on POSIX, once it holds a file
  /// of its working directory open for writing (named or not), it is sent `interruption`; on
  /// Windows, once its temporary `duplicates.txt.*` appears, Ctrl-C goes to its console.
  bool interruptWhileTheReportIsWritten = false;
  int interruption = 0;
  /// Every run ends in seconds, under wine too; one still going after this has hung, and is
  /// killed with `timedOut` set.
  int timeoutSeconds = 120;
};

/// The program under test, found beside the test binary.
std::filesystem::path ProgramPath();

/// Runs the program with these arguments (not counting its name).
ProgramResult RunProgram(const std::vector<PathString>& arguments, const ProgramOptions& options);

/// Sets a variable in this process's environment.
void SetTestEnvironment(const std::string& name, const std::string& value);

/// The variable that names the user's profile folder in the default roots.
std::string ProfileVariable();

/// The error code a walk prints for a root that does not exist.
int MissingDirectoryCode();

/// The folder as the program names its working folder: on POSIX with every link resolved, as
/// getcwd gives it; on Windows as the program was started in it.
std::string WorkingFolderAsShown(const std::filesystem::path& folder);

/// `text` with each line feed as the report writes it: CR LF on Windows.
std::string ReportBytes(const std::string& text);

/// True when the tests run under Wine, where some Windows behaviour cannot be produced.
bool RunningUnderWine();

/// True when the programs run under an emulator (qemu-i386, for the 32-bit Linux build), whose own
/// needs count against the limits a test sets the program (its code buffer against a memory limit).
bool RunningUnderEmulator();

/// True where each run of a program costs several times what it costs in the optimised native
/// build: under wine, under an emulator, or built with the sanitizers. Tests that run the programs
/// hundreds of times run a sample of their cases there.
bool RunsSlowly();

/// True when the process may change users (POSIX root), for tests that need permissions to apply.
bool CanRunUnprivileged();
