// POSIX terminals: isatty on the stream's descriptor.
#include "platform/terminal.h"

#include <unistd.h>

bool IsTerminal(std::FILE* stream) {
  const int descriptor = fileno(stream);
  return descriptor >= 0 && isatty(descriptor) == 1;
}
