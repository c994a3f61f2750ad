// The program's entry, behind the platform's own main.
#pragma once

#include "platform/path_text.h"

/// Runs the search and turns anything unexpected (an allocation failure, say) into one line on
/// standard error and exit status 1, so no run ends in an abort.
int ProgramMain(int count, PathChar** arguments);
