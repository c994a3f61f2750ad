// Windows: a folder cannot be locked as a file is, so a mutex named for the working folder's
// identity stands for it. Windows lets a mutex go when its process ends, however it ends.
#include "platform/run_lock.h"

#include <windows.h>

#include <string>

#include "platform/held_folder.h"

RunLock::~RunLock() {
  if (handle != -1) {
    ReleaseMutex(reinterpret_cast<HANDLE>(handle));
    CloseHandle(reinterpret_cast<HANDLE>(handle));
  }
}

LockResult LockJournalFolder(RunLock* lock, int* errorCode) {
  HeldFolder working;
  if (HoldFolder(PathString(), &working, errorCode) != HoldResult::kHeld || working.chain.empty()) {
    return LockResult::kFailed;
  }
  // Global: runs in other sessions of the machine share the folder's journal too.
  const std::wstring name = L"Global\\dupscan-tidy-journal-" +
                            std::to_wstring(working.chain.back().volume) + L"-" +
                            std::to_wstring(working.chain.back().index);
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) {
    *errorCode = static_cast<int>(GetLastError());
    return LockResult::kFailed;
  }
  const DWORD waited = WaitForSingleObject(mutex, 0);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    *errorCode = static_cast<int>(GetLastError());
    CloseHandle(mutex);
    return waited == WAIT_TIMEOUT ? LockResult::kHeldElsewhere : LockResult::kFailed;
  }
  lock->handle = reinterpret_cast<std::intptr_t>(mutex);
  return LockResult::kLocked;
}
