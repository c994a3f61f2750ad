// Windows: the second thread is the system's own, so the programs need no threads library.
#include "platform/side_by_side.h"

#include <windows.h>

namespace {

// The runtime's C library is msvcrt.dll, which frees a thread's own data when the thread ends,
// as it does for a thread started by _beginthreadex.
DWORD WINAPI RunWork(LPVOID work) {
  (*static_cast<const std::function<void()>*>(work))();
  return 0;
}

}  // namespace

void RunSideBySide(const std::function<void()>& own, const std::function<void()>& beside) {
  const HANDLE thread =
      CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&beside), 0, nullptr);
  own();
  if (thread == nullptr) {
    beside();
    return;
  }
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}
