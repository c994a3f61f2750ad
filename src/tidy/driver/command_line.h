// dupscan-tidy's command line, read into its options.
#pragma once

#include "platform/path_text.h"
#include "tidy/tidy_options.h"

/// Reads arguments[1..count-1]. False, with one line printed on standard error, when they are
/// not a command and options this program takes.
bool ParseCommandLine(int count, PathChar** arguments, TidyOptions* options);
