// A file rewritten in place at the moment another is opened: the program then meets a file that
// changed between two of its opens.
#pragma once

#include <filesystem>
#include <string>

#include "support/open_hook.h"

/// Writes `bytes` over the start of `file` (same file, same size when `bytes` fits) and moves its
/// write time a second on, as a clock that moved on would: within one tick of a coarse clock a
/// write may leave the time as it was.
void RewriteInPlace(const std::filesystem::path& file, const std::string& bytes);

/// While the hook lives, each open of `trigger` first writes `bytes` over the start of `file`
/// as RewriteInPlace does.
OpenHook RewriteAtOpenOf(const std::filesystem::path& trigger, const std::filesystem::path& file,
                         const std::string& bytes);
