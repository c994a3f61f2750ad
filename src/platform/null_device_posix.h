// POSIX only: the null device, opened so that a planted stand-in is never taken for it.
#pragma once

/// Opens `path` for `access` (O_RDONLY or O_WRONLY) if it is the null device itself: never through
/// a link, without waiting on a FIFO, and checked to be the character device the system's null
/// device is. Returns the descriptor, or -1 when `path` is missing or anything else.
int OpenNullDevice(const char* path, int access);
