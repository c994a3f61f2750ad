// Windows terminals: a console handle, which GetConsoleMode accepts; NUL passes _isatty too.
#include "platform/terminal.h"

#include <io.h>
#include <windows.h>

bool IsTerminal(std::FILE* stream) {
  const int descriptor = _fileno(stream);
  if (descriptor < 0 || !_isatty(descriptor)) {
    return false;
  }
  DWORD mode = 0;
  return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)), &mode) != 0;
}
