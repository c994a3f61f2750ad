// POSIX entry point: the arguments arrive as the bytes the shell passed, already expanded.
#include "platform/program_entry.h"

int main(int argc, char** argv) { return ProgramMain(argc, argv); }
