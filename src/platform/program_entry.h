// The program's entry, as the platform's own main hands it over.
#pragma once

#include "platform/path_text.h"

/// Runs the program on `arguments[1..count-1]` as the platform delivered them and returns the
/// exit status. Defined by the driver; each platform's main calls it.
int ProgramMain(int count, PathChar** arguments);
