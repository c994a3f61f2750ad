// A file that grows by whole lines, each on the disk before the call returns: dupscan-tidy's
// journal. dupscan itself never links this.
#pragma once

#include <cstdint>
#include <string>

#include "platform/path_text.h"

struct DurableFile {
  std::intptr_t handle = -1;
};

/// Opens `name` for appending, creating it when it does not exist; never through a link, and
/// never anything but a regular file. Returns 0 or the error code.
int OpenDurable(const PathChar* name, DurableFile* file);

/// Appends `bytes` and waits until they are on the disk. Returns 0 or the error code.
int AppendDurably(DurableFile& file, const std::string& bytes);

void CloseDurable(DurableFile* file);
