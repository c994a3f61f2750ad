// POSIX entry point: the arguments arrive as the bytes the shell passed, already expanded.
#include "driver/program_main.h"

int main(int argc, char** argv) { return ProgramMain(argc, argv); }
