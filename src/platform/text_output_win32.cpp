// Windows console and report output: wide text, written to a console as it is and to anything
// else as UTF-8, so every name comes out whole whatever the code page.
#include "platform/text_output.h"

#include <io.h>
#include <stdlib.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cwchar>
#include <vector>

#include "platform/unicode.h"

namespace {

// Comfortably above most lines (a path, its line's text), so one formatting pass is the rule.
constexpr std::size_t kFirstLineCapacity = 1024;
// Far above the longest line the program writes (a 32,767-character path and its text); a
// format that still does not fit is broken, and is written as its bare text instead.
constexpr std::size_t kLargestLineCapacity = 16 * kPathCapacity;
// Characters per WriteConsoleW call: until Windows 8 one call's text had to fit a 64 KiB heap
// shared with the console, which the longest line (a 32,767-character path) would not.
constexpr std::size_t kConsoleChunk = 8192;

// The narrow format as a wide one: every format the program uses is ASCII.
std::wstring Widen(const char* text) {
  std::wstring wide;
  for (; *text != '\0'; ++text) {
    wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*text)));
  }
  return wide;
}

// Formats into a buffer that grows until the whole text fits. mingw-w64's own printf (the build
// asks for it) answers a buffer too small with the length needed, as snprintf does; the C
// standard's -1 is met by doubling.
std::wstring FormatWide(const char* format, std::va_list arguments) {
  const std::wstring wideFormat = Widen(format);
  std::vector<wchar_t> buffer(kFirstLineCapacity);
  for (;;) {
    std::va_list attempt;
    va_copy(attempt, arguments);
    const int length = std::vswprintf(buffer.data(), buffer.size(), wideFormat.c_str(), attempt);
    va_end(attempt);
    if (length >= 0 && static_cast<std::size_t>(length) < buffer.size()) {
      return std::wstring(buffer.data(), static_cast<std::size_t>(length));
    }
    if (buffer.size() >= kLargestLineCapacity) {
      return wideFormat;
    }
    const std::size_t needed = length >= 0 ? static_cast<std::size_t>(length) + 1 : 0;
    buffer.resize(std::max(needed, buffer.size() * 2));
  }
}

// Windows names are UTF-16 that the system never checks, so a name may hold a surrogate without
// its partner, which UTF-8 cannot spell. Such a surrogate gets the three bytes UTF-8 would give
// its code point if it were a character (as WTF-8 does) rather than U+FFFD: the replacement would
// print two names that differ only there as one line. Every other text is plain UTF-8, so the
// bytes stay apart for every two different names and are ASCII's own for ASCII names.
std::string ToUtf8(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t index = 0; index < text.size();) {
    AppendUtf8(TakeUtf16Point(text.data(), text.size(), &index), &bytes);
  }
  return bytes;
}

// A real console takes the wide text itself and shows every character its font has; a stream
// that only looks like one (NUL is a character device too) gets bytes like any file.
HANDLE ConsoleOf(std::FILE* stream) {
  const int descriptor = _fileno(stream);
  if (descriptor < 0 || !_isatty(descriptor)) {
    return nullptr;
  }
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) ? handle : nullptr;
}

// Returns 0 or the error code of the failed write.
int WriteConsoleText(HANDLE console, const std::wstring& text) {
  // CR LF, as the text-mode stream sent before, so the console gets the line ends it always had.
  std::wstring lines;
  for (const wchar_t character : text) {
    if (character == L'\n') {
      lines.push_back(L'\r');
    }
    lines.push_back(character);
  }
  std::size_t done = 0;
  while (done < lines.size()) {
    std::size_t count = std::min(lines.size() - done, kConsoleChunk);
    // The two halves of a pair go in one call, so the console never meets one alone.
    if (done + count < lines.size() && IsHighSurrogate(lines[done + count - 1])) {
      --count;
    }
    DWORD written = 0;
    if (!WriteConsoleW(console, lines.data() + done, static_cast<DWORD>(count), &written,
                       nullptr)) {
      return static_cast<int>(GetLastError());
    }
    if (written == 0) {
      return ERROR_WRITE_FAULT;
    }
    done += written;
  }
  return 0;
}

void WriteFormatted(TextOutput& output, const char* format, std::va_list arguments) {
  const std::wstring text = FormatWide(format, arguments);
  const HANDLE console = ConsoleOf(output.stream);
  if (console != nullptr) {
    std::fflush(output.stream);  // bytes the stream still holds go out first
    const int result = WriteConsoleText(console, text);
    if (result != 0 && output.error == 0) {
      output.error = result;
    }
    return;
  }
  const std::string bytes = ToUtf8(text);
  ClearRuntimeError();
  if (std::fwrite(bytes.data(), 1, bytes.size(), output.stream) != bytes.size() &&
      output.error == 0) {
    output.error = RuntimeErrorCode();
  }
}

}  // namespace

void PrintText(TextOutput& output, const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  WriteFormatted(output, format, arguments);
  va_end(arguments);
}

int FinishOutput(TextOutput& output) {
  ClearRuntimeError();
  if ((std::fflush(output.stream) != 0 || std::ferror(output.stream)) && output.error == 0) {
    output.error = RuntimeErrorCode();
  }
  return output.error;
}

void PrintFailure(const char* format, ...) {
  std::fflush(stdout);
  TextOutput errors;
  errors.stream = stderr;
  std::va_list arguments;
  va_start(arguments, format);
  WriteFormatted(errors, format, arguments);
  va_end(arguments);
}

// English and ASCII like every other line of the program: the text goes out through a narrow
// "%s", which the runtime widens in its "C" locale. Without the system's closing period and line
// end, so it reads like the POSIX build's messages.
std::string ErrorText(int errorCode) {
  wchar_t* message = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  DWORD length = FormatMessageW(flags, nullptr, static_cast<DWORD>(errorCode),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  if (length == 0) {
    length = FormatMessageW(flags, nullptr, static_cast<DWORD>(errorCode), 0,
                            reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  }
  std::string text;
  for (DWORD index = 0; index < length; ++index) {
    text.push_back(message[index] < 0x80 ? static_cast<char>(message[index]) : '?');
  }
  if (message != nullptr) {
    LocalFree(message);
  }
  while (!text.empty() &&
         (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  if (text.empty()) {
    text = "error " + std::to_string(errorCode);
  }
  return text;
}

void ClearRuntimeError() {
  _doserrno = 0;
  errno = 0;
}

int RuntimeErrorCode() {
  if (_doserrno != 0) {
    return static_cast<int>(_doserrno);
  }
  return errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
}
