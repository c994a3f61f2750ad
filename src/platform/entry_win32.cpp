// Windows entry point: the wide command line from the runtime, its wildcards expanded for
// dupscan only.
#include "platform/program_entry.h"

#include <windows.h>

// Read by the runtime's start-up code, and set by each program's build (-1 or 0). dupscan expands
// the arguments' wildcard patterns, so that "dupscan Photos\20*" searches every matching folder
// as cmd.exe itself does not expand them. dupscan-tidy takes its arguments as typed: its
// --exclude "*.txt" is a pattern of its own, and expanded it became the names of the working
// folder's files that matched it (duplicates.txt), so the files it was to leave out were acted on.
extern "C" {
int _dowildcard = DUPSCAN_EXPAND_WILDCARDS;
}

int wmain(int argc, wchar_t** argv) {
  // The 32-bit program on 64-bit Windows would read SysWOW64 where it prints System32: the file
  // read must be the file named. Nothing to turn off elsewhere; the call then just fails.
  PVOID redirection = nullptr;
  Wow64DisableWow64FsRedirection(&redirection);
  return ProgramMain(argc, argv);
}
