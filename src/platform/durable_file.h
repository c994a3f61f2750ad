// A file that grows by whole lines, each on the disk before the call returns: dupscan-tidy's
// journal. dupscan itself never links this.
#pragma once

#include <cstdint>
#include <string>

#include "platform/path_text.h"

struct DurableFile {
  std::intptr_t handle = -1;
};

/// What OpenDurable and CheckDurable return for a file another user could have written or could
/// replace: its folder is writable by another user (and not sticky), or the file is not this
/// user's own, has other names, or others may write it. No system's error code is negative.
constexpr int kNotOwnFile = -1;

/// Opens `name` in the working folder for appending: created new when it does not exist (never
/// through a link), else only when it is this user's own regular file with one name that no other
/// user may write, in a folder no other user can change (or a sticky one). Returns 0,
/// kNotOwnFile, or the error code.
int OpenDurable(const PathChar* name, DurableFile* file);

/// The same look at `name` and its folder without opening it, before it is read: 0, kNotOwnFile,
/// or the error code (the system's "no such file" when it does not exist).
int CheckDurable(const PathChar* name);

/// Appends `bytes` and waits until they are on the disk. Returns 0 or the error code.
int AppendDurably(DurableFile& file, const std::string& bytes);

void CloseDurable(DurableFile* file);
