// POSIX only: Linux's io_uring, a ring of requests that the kernel takes many at a time from the
// one thread that submits them, so a batch of opens or reads costs one system call, not one each.
// The kernel makes each request at once or gives it back; it never hands one to a worker thread.
// Elsewhere, and where the kernel lacks it or refuses it (a seccomp filter, io_uring_disabled),
// there is no ring and the callers make one call per request as before.
#pragma once

#include <cstddef>
#include <cstdint>

/// The most requests one RunRequests call takes: a batch of 64 files' head and tail reads.
constexpr std::size_t kRingRequests = 128;

/// The result of a request that never ran: the caller makes its call itself.
constexpr int kRequestNotRun = -0x7fffffff;

/// Makes the ring, unless it is made, and says whether there is one that takes every request
/// below. It holds a descriptor until CloseRequestRing.
bool OpenRequestRing();

/// Gives the ring's descriptor back; a later OpenRequestRing makes a new one.
void CloseRequestRing();

/// Whether there is a ring: OpenRequestRing made one, and it has not been closed since.
bool HasRequestRing();

/// Adds an open of `path` (openat relative to the open folder `folder`, or to the working folder
/// for AT_FDCWD; `flags` as open takes them) as request number `slot` (below kRingRequests) of the
/// next RunRequests. Its result is the descriptor, or minus the error code: -EAGAIN where the path
/// is not in the caches, and the caller opens it itself.
void AddOpenRequest(std::size_t slot, int folder, const char* path, int flags);

/// Adds a read of up to `count` bytes at `offset` of the open `descriptor` into `buffer`, which
/// must stay until RunRequests returns. Its result is the bytes read, or minus the error code:
/// -EAGAIN where none could be read without waiting for the disk, -EOPNOTSUPP where the file
/// cannot be read so, and the caller reads them.
void AddReadRequest(std::size_t slot, int descriptor, void* buffer, std::size_t count,
                    std::int64_t offset);

/// Submits the requests added since the last call and waits for every one; `results[slot]` gets
/// each one's result, kRequestNotRun for one that never ran (`results` holds `count` slots, the
/// number of requests added). Where the ring fails, it is closed and HasRequestRing turns false.
/// Only while HasRequestRing, like the two above.
void RunRequests(int* results, std::size_t count);
