// Opening files for reading their content. Always binary: in text mode a CR LF copy and an LF
// copy of a text compared equal, and a Ctrl-Z byte ended a file early.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/path_text.h"

struct ReadableFile {
  std::intptr_t handle = -1;
  std::int64_t size = 0;  ///< the file's size when it was opened, which may differ from the walk's
};

/// Opens a regular file for reading. Never blocks and never reads what is not a regular file (a
/// FIFO, a device, a link put in a file's place): those fail like a missing file. False on failure.
bool OpenForReading(const PathChar* path, ReadableFile* file);

/// Reads up to `count` bytes at `offset`, retrying short reads that end before the size the file
/// had when opened. Fewer bytes only at the end of the file or on a read error, which also sets
/// `*readError` when it is given.
std::size_t ReadAt(const ReadableFile& file, std::int64_t offset, void* buffer, std::size_t count,
                   bool* readError = nullptr);

/// Tells the system the file will be read once from start to end.
void AdviseSequential(const ReadableFile& file);

void CloseFile(ReadableFile* file);

/// Test seam: called with the path before every open, so a test can change the file between the
/// stages of a run. Null by default.
using BeforeOpenHook = void (*)(const PathChar* path);
void SetBeforeOpenHook(BeforeOpenHook hook);
