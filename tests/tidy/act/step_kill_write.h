// The write the step-kill program makes over a file apply is acting on, as another program would.
#pragma once

#include <cstddef>
#include <filesystem>

/// Writes `bytes` over the start of `path` in place, keeping its size. Linux: the file is opened
/// without waiting, so where apply holds a read lease on it the open fails at once (and the lease
/// is broken, as another program's open would break it): false, nothing written. A program that
/// waited would wait for apply itself, which cannot go on while its own step waits.
bool WriteInPlace(const std::filesystem::path& path, const char* bytes, std::size_t size);
