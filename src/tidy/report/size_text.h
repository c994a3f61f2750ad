// Size texts: a group's heading held against the size the disk gives, and the sizes dupscan-tidy
// shows.
#pragma once

#include <cstdint>
#include <string>

/// True when `text` ("1023 bytes", "1.50 KB", ...) could be dupscan's size text of `size`. The
/// text is rounded to two decimals (and MB and GB from whole KB and MB), so it names a range;
/// the exact size comes from the disk. A heading that does not fit says the lines below it are
/// not the group they seem: a name with a line feed can forge a heading.
bool SizeTextFits(const std::string& text, std::int64_t size);

/// dupscan's size text with the exact bytes beside it, "1.50 KB (1536 bytes)"; below 1,024 bytes
/// the bytes alone, "700 bytes".
std::string SizeWithBytes(std::int64_t bytes);
