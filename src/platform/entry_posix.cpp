// POSIX entry point: the arguments arrive as the bytes the shell passed, already expanded. The
// standard descriptors and SIGPIPE are set up first, before anything is opened or written.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "platform/null_device_posix.h"
#include "platform/program_entry.h"

namespace {

// A standard descriptor the caller closed (`dupscan >&-`) would go to the next file the program
// opens: the report became descriptor 1 and the console's text was spliced into it. Each closed
// one is opened on /dev/null, so its text goes nowhere and nothing else can take its number.
void OpenClosedStandardDescriptors() {
  for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) {
      continue;
    }
    int opened = OpenNullDevice("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened < 0) {
      // No null device there (a bare chroot or sandbox, or a stand-in someone planted): the root
      // folder read-only holds the number, and every write to it fails.
      opened = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    // The lowest free number, which is this one, as every lower one is open by now; it is kept
    // open across an exec, as a standard descriptor is.
    if (opened == descriptor) {
      fcntl(descriptor, F_SETFD, 0);
    } else if (opened >= 0) {
      dup2(opened, descriptor);
      close(opened);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  OpenClosedStandardDescriptors();
  // A console that goes away (`dupscan | head -1`, quitting a pager) makes writes to it fail
  // instead of ending the run, which goes on to a whole report.
  signal(SIGPIPE, SIG_IGN);
  // Past a file size limit (`ulimit -f`) a write then fails, and the run says so and removes its
  // temporary, where the signal's default would end it at once and leave half a report behind.
  signal(SIGXFSZ, SIG_IGN);
  return ProgramMain(argc, argv);
}
