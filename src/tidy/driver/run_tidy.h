// dupscan-tidy's commands, from the options to the exit status.
#pragma once

#include "platform/text_output.h"
#include "tidy/exit_status.h"
#include "tidy/tidy_options.h"

/// Runs the command the options name and returns the exit status.
int RunTidy(const TidyOptions& options, TextOutput& console);

/// Reads arguments[1..count-1] and runs their command on the console; the exit status.
int RunTidyArguments(int count, PathChar** arguments);
