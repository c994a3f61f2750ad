// POSIX report file: lstat before the walk, a temporary made with O_EXCL beside the report,
// rename(2) over it when whole, and signal handlers that remove the temporary.
#include "platform/report_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "platform/temporary_name.h"

namespace {

// Every signal whose default ends the process and that a user or the system sends to end a run:
// Ctrl-C and Ctrl-\, kill, a closed terminal, the timers and CPU limits, the user's own signals.
constexpr int kInterruptions[] = {SIGINT,  SIGTERM, SIGHUP,    SIGQUIT, SIGUSR1,
                                  SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU};
constexpr int kInterruptionCount = sizeof kInterruptions / sizeof kInterruptions[0];
// A name already taken is another file's: a new suffix is drawn, this many times at most.
constexpr int kCreateAttempts = 100;
constexpr mode_t kReadWriteBits = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t kNewFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;

// The temporary's name for the signal handler, which may only call async-signal-safe functions;
// empty while no temporary exists. The handlers are installed only while one does.
char pendingTemporary[PATH_MAX];
struct sigaction earlierActions[kInterruptionCount];

void RemoveTemporaryAndEnd(int signalNumber) {
  if (pendingTemporary[0] != '\0') {
    unlink(pendingTemporary);
  }
  // Handled only where the default was in force: it ends the process once this handler returns.
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

// The interruptions are held back while the temporary and the record of it change together, so a
// handler never sees a temporary that is not recorded, nor a recorded one that is gone.
sigset_t BlockInterruptions() {
  sigset_t interruptions;
  sigemptyset(&interruptions);
  for (const int signalNumber : kInterruptions) {
    sigaddset(&interruptions, signalNumber);
  }
  sigset_t earlierMask;
  sigprocmask(SIG_BLOCK, &interruptions, &earlierMask);
  return earlierMask;
}

void RestoreMask(const sigset_t& earlierMask) { sigprocmask(SIG_SETMASK, &earlierMask, nullptr); }

// A signal its caller ignores (`nohup` ignores SIGHUP) stays ignored.
void InstallHandlers() {
  for (int index = 0; index < kInterruptionCount; ++index) {
    sigaction(kInterruptions[index], nullptr, &earlierActions[index]);
    if (earlierActions[index].sa_handler != SIG_IGN) {
      struct sigaction action {};
      action.sa_handler = RemoveTemporaryAndEnd;
      sigemptyset(&action.sa_mask);
      sigaction(kInterruptions[index], &action, nullptr);
    }
  }
}

void RestoreHandlers() {
  for (int index = 0; index < kInterruptionCount; ++index) {
    sigaction(kInterruptions[index], &earlierActions[index], nullptr);
  }
}

// What draws a new suffix each attempt and each run: the time, the process and the attempt.
std::uint64_t TemporarySeed(int attempt) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::uint64_t>(now.tv_nsec) ^ (static_cast<std::uint64_t>(now.tv_sec) << 30) ^
         (static_cast<std::uint64_t>(getpid()) << 17) ^ static_cast<std::uint64_t>(attempt);
}

// The folder a file of this name is made in, its separator kept so that "/" stays a folder.
PathString FolderOf(const PathChar* name) {
  const PathString text = name;
  const std::size_t separator = text.rfind('/');
  return separator == PathString::npos ? PathString(".") : text.substr(0, separator + 1);
}

int LastError() { return errno != 0 ? errno : EIO; }

// Renames the temporary over the report when `keep`, else removes it, and forgets it. Returns 0
// or the rename's error code; a temporary that could not be renamed is removed.
// `written` is the identity of the file the report was written to: in a folder others may write,
// another file could have been put in the temporary's place, and the rename goes by name.
int SettleTemporary(ReportFile* report, bool keep, const struct stat* written = nullptr) {
  const sigset_t earlierMask = BlockInterruptions();
  int errorCode = 0;
  struct stat named;
  const bool ours =
      written == nullptr || (lstat(report->temporary.c_str(), &named) == 0 &&
                             named.st_dev == written->st_dev && named.st_ino == written->st_ino);
  if (keep && !ours) {
    errorCode = ESTALE;
  } else if (keep && rename(report->temporary.c_str(), report->name.c_str()) != 0) {
    errorCode = LastError();
  }
  if ((!keep || errorCode != 0) && ours) {
    unlink(report->temporary.c_str());
  }
  pendingTemporary[0] = '\0';
  RestoreHandlers();
  RestoreMask(earlierMask);
  report->temporary.clear();
  return errorCode;
}

}  // namespace

int CheckReportWritable(const PathChar* name) {
  // lstat: a link is judged as itself and never followed; nothing of that name is opened, so a
  // FIFO cannot block the check.
  struct stat status;
  const bool exists = lstat(name, &status) == 0;
  if (!exists && errno != ENOENT) {
    return errno;
  }
  if (exists) {
    if (S_ISDIR(status.st_mode)) {
      return EISDIR;
    }
    if (S_ISLNK(status.st_mode)) {
      return ELOOP;  // what an open that refuses to follow it says
    }
    if (!S_ISREG(status.st_mode)) {
      return ENOTSUP;  // a FIFO, a socket or a device: nothing a report may replace
    }
    // A report its user may not write says "keep me", though a rename could replace it; the
    // effective user decides, and root, who may write anything, keeps one that has no write bit.
    if (faccessat(AT_FDCWD, name, W_OK, AT_EACCESS) != 0) {
      return errno;
    }
    if ((status.st_mode & kWriteBits) == 0) {
      return EACCES;
    }
  }
  // The temporary is made in the folder, and the rename changes its entries.
  const PathString folder = FolderOf(name);
  struct stat folderStatus;
  if (stat(folder.c_str(), &folderStatus) != 0 ||
      faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    return errno;
  }
  // In a sticky folder (/tmp, a shared folder) only the owner of a file, of the folder, or root
  // may replace the file; the rename at the end would fail with this code.
  const uid_t user = geteuid();
  if (exists && (folderStatus.st_mode & S_ISVTX) != 0 && user != 0 && status.st_uid != user &&
      folderStatus.st_uid != user) {
    return EPERM;
  }
  return 0;
}

int CreateReport(const PathChar* name, ReportFile* report) {
  report->name = name;
  report->text = TextOutput();
  struct stat earlier;
  // Only the user's own report passes its permissions on: a report another user planted in a
  // shared folder would otherwise choose who may read and rewrite a report made by root.
  const bool keepMode =
      lstat(name, &earlier) == 0 && S_ISREG(earlier.st_mode) && earlier.st_uid == geteuid();
  // Made with no more than the final bits, so nobody may open it for reading who could not read
  // the finished report.
  const mode_t mode = keepMode ? (earlier.st_mode & kReadWriteBits) : kNewFileMode;
  if (std::strlen(name) + 1 + kTemporarySuffixLength >= sizeof pendingTemporary) {
    return ENAMETOOLONG;
  }

  const sigset_t earlierMask = BlockInterruptions();
  int descriptor = -1;
  int errorCode = EEXIST;
  PathString temporary;
  for (int attempt = 0; attempt < kCreateAttempts && errorCode == EEXIST; ++attempt) {
    temporary = TemporaryName(name, TemporarySeed(attempt));
    descriptor = open(temporary.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
    errorCode = descriptor < 0 ? errno : 0;
  }
  if (errorCode == 0) {
    std::memcpy(pendingTemporary, temporary.c_str(), temporary.size() + 1);
    InstallHandlers();
    report->temporary = temporary;
  }
  RestoreMask(earlierMask);
  if (errorCode != 0) {
    return errorCode;
  }

  // The umask may have taken bits the earlier report had.
  if (keepMode && fchmod(descriptor, mode) != 0) {
    errorCode = LastError();
  } else if ((report->text.stream = fdopen(descriptor, "w")) == nullptr) {
    errorCode = LastError();
  }
  if (errorCode != 0) {
    close(descriptor);
    SettleTemporary(report, false);
  }
  return errorCode;
}

int FinishReport(ReportFile* report) {
  std::FILE* stream = report->text.stream;
  report->text.stream = nullptr;
  int errorCode = report->text.error;
  errno = 0;
  if (std::fflush(stream) != 0 && errorCode == 0) {
    errorCode = LastError();
  }
  if (std::ferror(stream) && errorCode == 0) {
    errorCode = EIO;
  }
  // On the disk before it takes the earlier report's place, so that a crash just after the
  // rename cannot leave an empty report; and a network file system reports late failures here.
  if (errorCode == 0 && fsync(fileno(stream)) != 0) {
    errorCode = LastError();
  }
  struct stat written;
  if (errorCode == 0 && fstat(fileno(stream), &written) != 0) {
    errorCode = LastError();
  }
  if (std::fclose(stream) != 0 && errorCode == 0) {
    errorCode = LastError();
  }
  if (errorCode != 0) {
    SettleTemporary(report, false);
    return errorCode;
  }
  return SettleTemporary(report, true, &written);
}

void AbandonReport(ReportFile* report) {
  if (report->temporary.empty()) {
    return;
  }
  if (report->text.stream != nullptr) {
    std::fclose(report->text.stream);
    report->text.stream = nullptr;
  }
  SettleTemporary(report, false);
}

bool IsReportFile(const PathChar* name, const PathString&, const PathChar* listedName,
                  std::size_t listedLength) {
  return std::strlen(name) == listedLength && std::memcmp(name, listedName, listedLength) == 0;
}
