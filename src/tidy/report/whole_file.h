// Reading a whole file the program was named, never through a link.
#pragma once

#include <string>

#include "platform/path_text.h"

/// Reads all of `name` into `bytes`, reaching it without following a link. False, with the
/// reason in `why`, when it is missing, no regular file, or cannot be read.
bool ReadWholeFileNoLink(const PathString& name, std::string* bytes, std::string* why);
