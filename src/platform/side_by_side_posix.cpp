// POSIX: the second thread is a pthread, started with every signal blocked.
#include "platform/side_by_side.h"

#include <pthread.h>
#include <signal.h>

namespace {

void* RunWork(void* work) {
  (*static_cast<const std::function<void()>*>(work))();
  return nullptr;
}

}  // namespace

void RunSideBySide(const std::function<void()>& own, const std::function<void()>& beside) {
  // The thread inherits the mask it starts under: an interruption then reaches the calling
  // thread alone, whose handler ends the run as it did before there were two.
  sigset_t all;
  sigset_t earlier;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &earlier);
  pthread_t thread;
  const bool started =
      pthread_create(&thread, nullptr, RunWork, const_cast<std::function<void()>*>(&beside)) == 0;
  pthread_sigmask(SIG_SETMASK, &earlier, nullptr);
  own();
  if (started) {
    pthread_join(thread, nullptr);
  } else {
    beside();
  }
}
