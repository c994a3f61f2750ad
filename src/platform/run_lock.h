// The lock that one apply or undo at a time holds on the working folder's journal, for its whole
// run: two runs writing one journal would number their steps alike, and one run's outcome would
// close the other's interrupted step. dupscan itself never links this.
#pragma once

#include <cstdint>

struct RunLock {
  std::intptr_t handle = -1;

  RunLock() = default;
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;
  ~RunLock();
};

enum class LockResult {
  kLocked,
  kUnsupported,  ///< the file system keeps no locks (some network file systems): none is held
  kHeldElsewhere,
  kFailed,  ///< the system's code says why
};

/// Takes the lock of the working folder's journal, without waiting; it is let go when `lock` is
/// destroyed, or when the process ends however it ends. POSIX locks the working folder itself
/// (flock), so the journal's name is covered before the journal exists; Windows holds a mutex
/// named for the working folder's identity.
LockResult LockJournalFolder(RunLock* lock, int* errorCode);
