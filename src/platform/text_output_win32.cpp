// Windows console and report output: wide text, converted to the code page in one step so that
// a character the code page lacks becomes '?' and never ends the line or the output.
#include "platform/text_output.h"

#include <stdlib.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cwchar>
#include <vector>

namespace {

// Comfortably above most lines (a path, its line's text), so one formatting pass is the rule.
constexpr std::size_t kFirstLineCapacity = 1024;
// Far above the longest line the program writes (a 32,767-character path and its text); a
// format that still does not fit is broken, and is written as its bare text instead.
constexpr std::size_t kLargestLineCapacity = 16 * kPathCapacity;
constexpr char kUnrepresentable[] = "?";

// The error a failed runtime call left: the system's own code where the runtime kept one.
int RuntimeErrorCode() {
  if (_doserrno != 0) {
    return static_cast<int>(_doserrno);
  }
  return errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
}

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

// The console shows its own code page (OEM by default); a report is read in editors, which
// take the ANSI code page. A stream without a console gets the ANSI code page too.
UINT CodePageFor(std::FILE* stream) {
  if (stream == stdout || stream == stderr) {
    const UINT console = GetConsoleOutputCP();
    if (console != 0) {
      return console;
    }
  }
  return GetACP();
}

// Best-fit mapping is off: it would print "a" for "ā" and so name a different file that may
// well exist. '?' cannot occur in a Windows file name, so it marks what the code page lacks.
std::string ToCodePage(const std::wstring& text, UINT codePage) {
  if (text.empty()) {
    return std::string();
  }
  const int wideLength = static_cast<int>(text.size());
  // UTF-8 represents every character and takes neither a default character nor the flag.
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* defaultChar = utf8 ? nullptr : kUnrepresentable;
  int length = WideCharToMultiByte(codePage, flags, text.data(), wideLength, nullptr, 0,
                                   defaultChar, nullptr);
  if (length > 0) {
    std::string bytes(static_cast<std::size_t>(length), '\0');
    length = WideCharToMultiByte(codePage, flags, text.data(), wideLength, &bytes[0], length,
                                 defaultChar, nullptr);
    if (length > 0) {
      bytes.resize(static_cast<std::size_t>(length));
      return bytes;
    }
  }
  // A code page that refuses the flag or a default character (the ISO 2022 family): ASCII,
  // '?' for the rest, rather than losing the line.
  std::string bytes;
  for (const wchar_t character : text) {
    bytes.push_back(character < 0x80 ? static_cast<char>(character) : kUnrepresentable[0]);
  }
  return bytes;
}

void WriteFormatted(TextOutput& output, const char* format, std::va_list arguments) {
  const std::string bytes = ToCodePage(FormatWide(format, arguments), CodePageFor(output.stream));
  _doserrno = 0;
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
