// The layout of duplicates.txt: the empty files, then one block per group of identical files.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/path_text.h"
#include "platform/text_output.h"

/// "Empty Files:", one path per line in the order given, an empty line; nothing for no files.
void WriteEmptyFiles(TextOutput& report, const std::vector<PathString>& paths);

/// "File Size: <size text>", one path per line in the order given, an empty line.
void WriteGroup(TextOutput& report, std::int64_t size, const std::vector<PathString>& paths);
