// The reasons, in words, why a path could not be looked at.
#pragma once

#include <string>

#include "platform/held_folder.h"

/// Why a folder could not be held: a link on the way, a name that is no folder, a missing one,
/// or the system's own words.
std::string HoldFailureText(HoldResult result, int errorCode);

/// Why an entry is not a regular file one may read.
std::string EntryFailureText(const EntryStatus& status);
