// POSIX console and report output: bytes written as they are, no locale conversion.
#include "platform/text_output.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstring>

void PrintText(TextOutput& output, const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  if (std::vfprintf(output.stream, format, arguments) < 0 && output.error == 0) {
    output.error = errno != 0 ? errno : EIO;
  }
  va_end(arguments);
}

void PrintFailure(const char* format, ...) {
  std::fflush(stdout);
  std::va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
}

int CheckReportWritable(const PathChar* name) {
  struct stat status;
  if (stat(name, &status) == 0) {
    if (S_ISDIR(status.st_mode)) {
      return EISDIR;
    }
    return access(name, W_OK) == 0 ? 0 : errno;
  }
  if (errno != ENOENT) {
    return errno;
  }
  return access(".", W_OK | X_OK) == 0 ? 0 : errno;
}

int OpenReport(const PathChar* name, TextOutput* report) {
  report->stream = std::fopen(name, "w");
  report->error = 0;
  return report->stream == nullptr ? errno : 0;
}

int FlushReport(TextOutput* report) {
  if (std::fflush(report->stream) != 0 && report->error == 0) {
    report->error = errno != 0 ? errno : EIO;
  }
  if (std::ferror(report->stream) && report->error == 0) {
    report->error = EIO;
  }
  return report->error;
}

int CloseReport(TextOutput* report) {
  const int result = std::fclose(report->stream) == 0 ? 0 : errno;
  report->stream = nullptr;
  return result;
}

std::string ErrorText(int errorCode) { return std::strerror(errorCode); }
