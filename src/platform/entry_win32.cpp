// Windows entry point: the wide command line from the runtime, its wildcards expanded.
#include "platform/program_entry.h"

#include <windows.h>

// Read by the runtime's start-up code: the arguments' wildcard patterns are expanded, so that
// "dupscan Photos\20*" searches every matching folder as cmd.exe itself does not expand them.
extern "C" {
int _dowildcard = -1;
}

int wmain(int argc, wchar_t** argv) {
  // The 32-bit program on 64-bit Windows would read SysWOW64 where it prints System32: the file
  // read must be the file named. Nothing to turn off elsewhere; the call then just fails.
  PVOID redirection = nullptr;
  Wow64DisableWow64FsRedirection(&redirection);
  return ProgramMain(argc, argv);
}
