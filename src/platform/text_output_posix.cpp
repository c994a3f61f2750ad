// POSIX console and report output: bytes written as they are, no locale conversion.
#include "platform/text_output.h"

#include <errno.h>
#include <unistd.h>

#include <cstdarg>
#include <cstring>

void PrintText(TextOutput& output, const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  if (std::vfprintf(output.stream, format, arguments) < 0 && output.error == 0) {
    output.error = RuntimeErrorCode();
  }
  va_end(arguments);
}

int FinishOutput(TextOutput& output) {
  ClearRuntimeError();
  if ((std::fflush(output.stream) != 0 || std::ferror(output.stream)) && output.error == 0) {
    output.error = RuntimeErrorCode();
  }
  const int copy = output.error == 0 ? dup(fileno(output.stream)) : -1;
  if (copy >= 0 && close(copy) != 0 && errno != EINTR) {
    output.error = errno;
  }
  return output.error;
}

void PrintFailure(const char* format, ...) {
  std::fflush(stdout);
  std::va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
}

std::string ErrorText(int errorCode) { return std::strerror(errorCode); }

void ClearRuntimeError() { errno = 0; }

int RuntimeErrorCode() { return errno != 0 ? errno : EIO; }
