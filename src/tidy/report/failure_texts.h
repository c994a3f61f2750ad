// The reasons, in words, why a path could not be looked at.
#pragma once

#include <string>

#include "platform/held_folder.h"

/// Why a folder could not be held: a link on the way, a name that is no folder, a missing one,
/// or the system's own words.
std::string HoldFailureText(HoldResult result, int errorCode);

/// Why an entry is not a regular file one may read.
std::string EntryFailureText(const EntryStatus& status);

/// A reason and what caused it, as one reason.
std::string ReasonWithCause(const char* reason, const std::string& cause);

/// Why the folder of a file to act on cannot be reached, with the cause.
std::string FolderUnreachableText(HoldResult result, int errorCode);

/// The system refused an action: its own words for why.
std::string SystemRefusedText(int errorCode);
