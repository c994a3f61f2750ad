// dupscan-tidy's commands, from the options to the exit status.
#pragma once

#include "platform/text_output.h"
#include "tidy/command_line.h"

constexpr int kExitDone = 0;
/// apply or undo left something planned undone; check found groups.
constexpr int kExitNotAll = 1;
/// The command could not run: bad options, an unreadable report, no journal. Not 1, which
/// check gives a report that holds groups.
constexpr int kExitTrouble = 2;

/// Runs the command the options name and returns the exit status.
int RunTidy(const TidyOptions& options, TextOutput& console);

/// Reads arguments[1..count-1] and runs their command on the console; the exit status.
int RunTidyArguments(int count, PathChar** arguments);
