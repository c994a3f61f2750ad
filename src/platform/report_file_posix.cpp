// POSIX report file, the system's part under report_file.cpp: lstat before the walk, a temporary
// made with O_EXCL beside the report, rename(2) over it when whole, and signal handlers that
// remove the temporary.
#include "platform/report_file.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/file_state_posix.h"
#include "platform/report_access_posix.h"
#include "platform/report_file_system.h"
#include "platform/unnamed_file_posix.h"

namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// The temporary's name for the signal handler, which may only call async-signal-safe functions;
// null while no temporary is recorded. The handlers are installed only while one is. Changed only
// while the signals are blocked.
const char* pendingTemporary = nullptr;
struct stat recordedTemporary;
struct sigaction earlierActions[NSIG];
bool replacedActions[NSIG];
sigset_t earlierMask;

// Every signal whose default action ends the process, whoever sends it: Ctrl-C and Ctrl-\, kill,
// a closed terminal, the timers and limits, the user's and the real-time signals, SIGPWR, SIGIO,
// and the faults (SIGBUS, SIGSEGV...) whether raised by the system or sent. Not those the default
// ignores or that stop the process, nor SIGKILL and SIGSTOP, which no handler may take.
bool EndsTheProcess(int signalNumber) {
  switch (signalNumber) {
    case SIGKILL:
    case SIGSTOP:
    case SIGCHLD:
    case SIGCONT:
    case SIGURG:
    case SIGWINCH:
    case SIGTSTP:
    case SIGTTIN:
    case SIGTTOU:
      return false;
    default:
      return true;
  }
}

void RemoveTemporaryAndEnd(int signalNumber) {
  if (pendingTemporary != nullptr) {
    unlink(pendingTemporary);
  }
  // Handled only where the default was in force: it ends the process once this handler returns
  // (a fault, coming back at once, ends it with its default too).
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

// Only signals at their default are taken: one its caller ignores (`nohup` ignores SIGHUP) stays
// ignored, and one with a handler of its own (a sanitizer's) keeps it. The C library keeps some
// numbers for itself and refuses them.
void InstallHandlers() {
  for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber) {
    struct sigaction& earlier = earlierActions[signalNumber];
    replacedActions[signalNumber] = false;
    if (!EndsTheProcess(signalNumber) || sigaction(signalNumber, nullptr, &earlier) != 0 ||
        (earlier.sa_flags & SA_SIGINFO) != 0 || earlier.sa_handler != SIG_DFL) {
      continue;
    }
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryAndEnd;
    sigemptyset(&action.sa_mask);
    replacedActions[signalNumber] = sigaction(signalNumber, &action, nullptr) == 0;
  }
}

void RestoreHandlers() {
  for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber) {
    if (replacedActions[signalNumber]) {
      sigaction(signalNumber, &earlierActions[signalNumber], nullptr);
    }
  }
}

// The folder a file of this name is made in, its separator kept so that "/" stays a folder.
PathString FolderOf(const PathChar* name) {
  const PathString text = name;
  const std::size_t separator = text.rfind('/');
  return separator == PathString::npos ? PathString(".") : text.substr(0, separator + 1);
}

int LastError() { return errno != 0 ? errno : EIO; }

bool SameFile(const struct stat& left, const struct stat& right) {
  return left.st_dev == right.st_dev && left.st_ino == right.st_ino;
}

// Removes the file just made as `temporary`, unless another file has taken that name since.
void RemoveMade(const PathChar* temporary, int descriptor) {
  struct stat made;
  struct stat named;
  if (fstat(descriptor, &made) == 0 && lstat(temporary, &named) == 0 && SameFile(made, named)) {
    unlink(temporary);
  }
}

// An append-only or immutable file (chattr +a, +i) may be neither replaced nor removed, and no
// entry may leave such a folder, whoever asks: the rename at the end would fail with EPERM.
// statx tells without opening anything; where it cannot tell, only the rename does.
bool RenameRefusedByAttributes(const PathChar* path) {
  constexpr std::uint64_t kRefusing = STATX_ATTR_APPEND | STATX_ATTR_IMMUTABLE;
  struct statx status;
  return statx(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW, STATX_TYPE, &status) == 0 &&
         (status.stx_attributes & status.stx_attributes_mask & kRefusing) != 0;
}

// What an existing report must be for a new one to take its place: a regular file the user may
// write and replace. Returns 0 or the reason's code.
int CheckEarlierReport(const PathChar* name, const struct stat& status) {
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
  return RenameRefusedByAttributes(name) ? EPERM : 0;
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
    if (const int errorCode = CheckEarlierReport(name, status)) {
      return errorCode;
    }
  }
  // The temporary is made in the folder, and the rename changes its entries.
  const PathString folder = FolderOf(name);
  struct stat folderStatus;
  if (stat(folder.c_str(), &folderStatus) != 0 ||
      faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    return errno;
  }
  // A folder that was deleted (a working folder removed by another shell) takes no new file,
  // though its permissions still say it would.
  if (folderStatus.st_nlink == 0) {
    return ENOENT;
  }
  if (RenameRefusedByAttributes(folder.c_str())) {
    return EPERM;
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

void HoldInterruptions() {
  sigset_t interruptions;
  sigemptyset(&interruptions);
  for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber) {
    if (EndsTheProcess(signalNumber)) {
      sigaddset(&interruptions, signalNumber);  // refuses the C library's own numbers
    }
  }
  sigprocmask(SIG_BLOCK, &interruptions, &earlierMask);
}

void ReleaseInterruptions() { sigprocmask(SIG_SETMASK, &earlierMask, nullptr); }

void RecordTemporary(const PathString& temporary, std::FILE* stream) {
  if (fstat(fileno(stream), &recordedTemporary) != 0) {
    recordedTemporary = {};  // then no file is taken for it, and it is never renamed
  }
  pendingTemporary = temporary.c_str();
  InstallHandlers();
}

// The signal handler ends the process: a recorded temporary is there as long as the program runs.
int RecordIntact() { return 0; }

void ForgetTemporary() {
  if (pendingTemporary != nullptr) {
    pendingTemporary = nullptr;
    RestoreHandlers();
  }
}

int OpenTemporary(const PathChar* report, const PathChar* temporary, std::FILE** stream) {
  const ReportAccess access = EarlierAccess(report);
  const mode_t mode = CreationMode(access);
  const int descriptor =
      temporary == nullptr
          ? OpenUnnamed(FolderOf(report).c_str(), mode)
          : open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
  if (descriptor < 0) {
    return errno;
  }
  int errorCode = TakeEarlierAccess(descriptor, access);
  if (errorCode == 0 && (*stream = fdopen(descriptor, "w")) == nullptr) {
    errorCode = LastError();
  }
  if (errorCode != 0) {
    if (temporary != nullptr) {
      RemoveMade(temporary, descriptor);
    }
    close(descriptor);
  }
  return errorCode;
}

int NameTemporary(std::FILE* stream, const PathChar* temporary) {
  return NameUnnamed(fileno(stream), temporary);
}

bool IsNameTaken(int errorCode) { return errorCode == EEXIST; }

int SyncToDisk(std::FILE* stream) { return fsync(fileno(stream)) == 0 ? 0 : LastError(); }

int CheckOurTemporary(const PathChar* temporary) {
  struct stat named;
  return lstat(temporary, &named) == 0 && SameFile(named, recordedTemporary) ? 0 : ESTALE;
}

int ReplaceReport(const PathChar* temporary, const PathChar* report) {
  return rename(temporary, report) == 0 ? 0 : LastError();
}

void RemoveTemporary(const PathChar* temporary) { unlink(temporary); }

std::uint64_t ClockTicks() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::uint64_t>(now.tv_sec * kNanosecondsPerSecond + now.tv_nsec);
}

std::uint64_t ProcessNumber() { return static_cast<std::uint64_t>(getpid()); }

bool IsReportFile(const PathChar* name, const PathString&, const PathChar* listedName,
                  std::size_t listedLength) {
  return std::strlen(name) == listedLength && std::memcmp(name, listedName, listedLength) == 0;
}
