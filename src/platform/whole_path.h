// A folder held before, found again in a few system calls whatever the depth of its path: the
// whole path in one call of the system's that follows no link, and the folder a number of levels
// above it through "..", which is never a link. Where the system has no such call, dupscan-tidy
// walks the path from the top as HoldListedFolder does.
#pragma once

#include <cstddef>

#include "platform/file_identity.h"
#include "platform/held_folder.h"

/// Holds `folder` (a path dupscan listed, as HoldListedFolder takes it) in one call that follows
/// no link on the way, where the system has one (Linux's openat2): `held`'s chain then has the
/// folder alone. False, with nothing held, where there is none (an older kernel, a filter that
/// refuses the call, a path longer than one call takes, Windows) and whenever the call fails:
/// HoldListedFolder, which walks the path, then says why.
bool HoldWholePath(const PathString& folder, HeldFolder* held);

/// The identity of the folder `levels` above the folder held, as it is now (the folder itself for
/// 0). False where it could not be told, and always on Windows.
bool IdentityAbove(const HeldFolder& held, std::size_t levels, FileIdentity* identity);
