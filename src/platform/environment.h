// The process environment as the search reads it: the roots' %NAME% and the working folder.
#pragma once

#include "platform/path_text.h"

/// Replaces every %NAME% whose NAME is set with its value. An unset name and an unpaired % stay
/// as written. The result is cut to kPathCapacity - 1 characters.
PathString ExpandEnvironment(const PathString& text);

/// The working folder as the system names it (on Windows its full path); empty when it has no
/// name, as after it was deleted.
PathString WorkingFolderName();
