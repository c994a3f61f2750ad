// Whether a person may be watching a stream: what decides if dupscan-tidy shows its progress.
#pragma once

#include <cstdio>

/// True when `stream` is a terminal (on Windows a real console, not NUL, which also looks like a
/// character device); false for a file, a pipe, or nothing.
bool IsTerminal(std::FILE* stream);
