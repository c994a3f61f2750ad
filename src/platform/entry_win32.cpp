// Windows entry point: the wide command line from the runtime, its wildcards expanded.
#include "platform/program_entry.h"

// Read by the runtime's start-up code: the arguments' wildcard patterns are expanded, so that
// "dupscan Photos\20*" searches every matching folder as cmd.exe itself does not expand them.
extern "C" {
int _dowildcard = -1;
}

int wmain(int argc, wchar_t** argv) { return ProgramMain(argc, argv); }
