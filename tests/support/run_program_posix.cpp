// Test support, POSIX: fork and exec with redirected output, killed when over its time limit.
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "support/run_program.h"
#include "support/temp_tree.h"

namespace {
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

// Whether `process` holds a file of `folder` open for writing. /proc names a file without a name
// by its folder, "#" and its inode, and " (deleted)".
bool WritesIn(pid_t process, const std::filesystem::path& folder) {
  std::error_code ignored;
  const std::filesystem::path shown = std::filesystem::canonical(folder, ignored);
  const std::filesystem::path open = "/proc/" + std::to_string(process) + "/fd";
  for (std::filesystem::directory_iterator entry(open, ignored), end; entry != end;
       entry.increment(ignored)) {
    const std::filesystem::path target = std::filesystem::read_symlink(entry->path(), ignored);
    std::ifstream about("/proc/" + std::to_string(process) + "/fdinfo/" +
                        entry->path().filename().string());
    std::string label;
    unsigned flags = 0;
    while (about >> label && label != "flags:") {
    }
    about >> std::oct >> flags;
    if (target.parent_path() == shown && (flags & O_ACCMODE) != O_RDONLY) {
      return true;
    }
  }
  return false;
}
}  // namespace

std::filesystem::path ProgramPath() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / DUPSCAN_PROGRAM_NAME;
}

bool RunningUnderWine() { return false; }

bool RunningUnderEmulator() {
#ifdef DUPSCAN_PROGRAM_EMULATOR
  return true;
#else
  return false;
#endif
}

void SetTestEnvironment(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

std::string ProfileVariable() { return "HOME"; }

int MissingDirectoryCode() { return ENOENT; }

std::string WorkingFolderAsShown(const std::filesystem::path& folder) {
  return std::filesystem::canonical(folder).string();
}

std::string ReportBytes(const std::string& text) { return text; }

bool CanRunUnprivileged() { return geteuid() == 0; }

namespace {

// The program to run: nobody may not enter the folder the program was built in (a clone inside a
// 0700 home folder), so for nobody it runs from a copy in the capture folder, which everyone may
// enter.
std::string RunnableProgram(const TempTree& capture, const ProgramOptions& options) {
  const std::string programName = options.program.empty() ? DUPSCAN_PROGRAM_NAME : options.program;
  const std::string program = (ProgramPath().parent_path() / programName).string();
  if (!options.unprivileged) {
    return program;
  }
  chmod(capture.root().c_str(), 0777);
  const std::filesystem::path copy = capture / programName;
  std::filesystem::copy_file(program, copy);
  chmod(copy.c_str(), 0755);
  return copy.string();
}

// In the child: the standard descriptors as the options ask, and only those, as a shell passes;
// not this copy of the pipe's reader (the program would read its own output), nor anything else
// of this process.
void RedirectStandardDescriptors(int out, const std::string& errorPath,
                                 const ProgramOptions& options) {
  const int err = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  dup2(out, STDOUT_FILENO);
  dup2(err, STDERR_FILENO);
  close_range(STDERR_FILENO + 1, ~0U, 0);
  for (const int descriptor : options.closedDescriptors) {
    close(descriptor);
  }
}

// In the child: the signals the program meets are the defaults a shell's foreground job has,
// whatever this process inherited.
void RestoreShellSignals() {
  for (const int signalNumber : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
    signal(signalNumber, SIG_DFL);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

bool SetLimit(int resource, long long value) {
  const rlimit limit{static_cast<rlim_t>(value), static_cast<rlim_t>(value)};
  return value <= 0 || setrlimit(resource, &limit) == 0;
}

// In the child: the descriptors' links in /proc replaced as the options ask; the program, which
// this process becomes, has the same /proc/self. False when they cannot be.
bool ReplaceDescriptorLinks(const ProgramOptions& options) {
  return options.descriptorLinksInPlace.empty() ||
         (unshare(CLONE_NEWNS) == 0 &&
          mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
          mount(options.descriptorLinksInPlace.c_str(), "/proc/self/fd", nullptr, MS_BIND,
                nullptr) == 0);
}

// In the child: the folder, environment, limits and user the options ask for; an exit status of
// 120 to 126 names the one that could not be arranged.
[[noreturn]] void ExecuteAsAsked(const std::string& program, std::vector<char*>& argv,
                                 const ProgramOptions& options) {
  if (!ReplaceDescriptorLinks(options)) {
    _exit(120);
  }
  if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) {
    _exit(126);
  }
  if (options.workingDirectoryRemoved && rmdir(options.workingDirectory.c_str()) != 0) {
    _exit(122);
  }
  for (const auto& [name, value] : options.environment) {
    setenv(name.c_str(), value.c_str(), 1);
  }
  for (const std::string& name : options.unsetEnvironment) {
    unsetenv(name.c_str());
  }
  if (!SetLimit(RLIMIT_FSIZE, options.fileSizeLimit)) {
    _exit(124);
  }
  if (!SetLimit(RLIMIT_NOFILE, options.openFileLimit)) {
    _exit(123);
  }
  // A signal that dumps core (SIGBUS, SIGQUIT) leaves no core file in the folder a test lists.
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  if (options.unprivileged &&
      (setgroups(0, nullptr) != 0 || setgid(kNoGroup) != 0 || setuid(kNobody) != 0)) {
    _exit(125);
  }
  // Last, as nothing of this process's own may fail for it.
  if (!SetLimit(RLIMIT_AS, options.memoryLimit)) {
    _exit(121);
  }
  execv(program.c_str(), argv.data());
  _exit(127);
}

// Waits for the child to end, interrupting it as the options ask, and kills it once it has run
// past its time limit. Returns its wait status.
int WaitForProgram(pid_t child, const ProgramOptions& options,
                   std::chrono::steady_clock::time_point started, ProgramResult& result) {
  const auto deadline = started + std::chrono::seconds(options.timeoutSeconds);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) != child) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      result.timedOut = true;
      break;
    }
    if (options.interruptWhileTheReportIsWritten && !result.interrupted &&
        WritesIn(child, options.workingDirectory)) {
      kill(child, options.interruption);
      result.interrupted = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return status;
}

}  // namespace

ProgramResult RunProgram(const std::vector<PathString>& arguments, const ProgramOptions& options) {
  TempTree capture;
  const std::string outputPath = (capture / "stdout").string();
  const std::string errorPath = (capture / "stderr").string();
  const std::string program = RunnableProgram(capture, options);
  std::vector<char*> argv;
#ifdef DUPSCAN_PROGRAM_EMULATOR
  // The emulator runs the program, as it runs the tests: the kernel may run no program of its kind.
  const std::string runner = DUPSCAN_PROGRAM_EMULATOR;
  argv.push_back(const_cast<char*>(runner.c_str()));
#else
  const std::string& runner = program;
#endif
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const PathString& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);

  int outputPipe[2] = {-1, -1};
  if (options.outputReaderGone && pipe(outputPipe) != 0) {
    ADD_FAILURE() << "no pipe for the output: " << std::strerror(errno);
  }
  const auto started = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    RedirectStandardDescriptors(options.outputReaderGone
                                    ? outputPipe[1]
                                    : open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666),
                                errorPath, options);
    RestoreShellSignals();
    ExecuteAsAsked(runner, argv, options);
  }
  for (const int end : outputPipe) {
    if (end >= 0) {
      close(end);  // the reader is gone before the program writes
    }
  }

  ProgramResult result;
  const int status = WaitForProgram(child, options, started, result);
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.output = ReadWholeFile(outputPath);
  result.outputBytes = result.output;
  result.errors = ReadWholeFile(errorPath);
  // In the sanitizer build a report can come with output that is otherwise right (a leak is
  // reported only at exit), so it fails the test that ran the program, whatever that test checks.
  if (result.errors.find("Sanitizer") != std::string::npos) {
    ADD_FAILURE() << "the program under test reported:\n" << result.errors;
  }
  return result;
}
