// POSIX only: io_uring through its three system calls, where Linux has it; no ring elsewhere.
#include "platform/request_ring_posix.h"

#if defined(__linux__) && __has_include(<linux/io_uring.h>) && __has_include(<linux/openat2.h>)

#include <errno.h>
#include <fcntl.h>
#include <linux/io_uring.h>
#include <linux/openat2.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>

namespace {

// Enough probe slots for every request up to and past those used here.
constexpr unsigned kProbeOps = 64;
// Calls that submit or wait for nothing in a row before the ring is given up: an interruption
// costs one, a kernel short of memory for a moment a few.
constexpr int kIdleCallsLimit = 100;

struct Ring {
  int descriptor = -1;
  void* queues = MAP_FAILED;
  std::size_t queuesLength = 0;
  io_uring_sqe* entries = nullptr;
  std::size_t entriesLength = 0;
  unsigned* submitTail = nullptr;
  unsigned* submitArray = nullptr;
  unsigned submitMask = 0;
  unsigned* doneHead = nullptr;
  unsigned* doneTail = nullptr;
  unsigned doneMask = 0;
  io_uring_cqe* done = nullptr;
  unsigned tail = 0;                   ///< the submission tail, as far as requests were added
  unsigned added = 0;                  ///< requests added since the last run
  open_how opens[kRingRequests] = {};  ///< what each open request asks, until it has run
};

Ring theRing;

template <typename Field>
Field* At(void* base, unsigned offset) {
  return reinterpret_cast<Field*>(static_cast<char*>(base) + offset);
}

// Whether the kernel knows the two requests: kernels before 5.6 have neither, nor the probe.
bool KnowsRequests(int descriptor) {
  alignas(io_uring_probe) unsigned char
      space[sizeof(io_uring_probe) + kProbeOps * sizeof(io_uring_probe_op)] = {};
  auto* probe = reinterpret_cast<io_uring_probe*>(space);
  if (syscall(__NR_io_uring_register, descriptor, IORING_REGISTER_PROBE, probe, kProbeOps) != 0) {
    return false;
  }
  for (const unsigned request : {IORING_OP_OPENAT2, IORING_OP_READ}) {
    if (request >= probe->ops_len || (probe->ops[request].flags & IO_URING_OP_SUPPORTED) == 0) {
      return false;
    }
  }
  return true;
}

void CloseRing(Ring& ring) {
  if (ring.entries != nullptr) {
    munmap(ring.entries, ring.entriesLength);
  }
  if (ring.queues != MAP_FAILED) {
    munmap(ring.queues, ring.queuesLength);
  }
  if (ring.descriptor >= 0) {
    close(ring.descriptor);
  }
  ring = Ring();
}

// Maps the queues of a ring just made; false where the kernel maps them apart (before 5.4).
bool MapRing(Ring& ring, const io_uring_params& params) {
  if ((params.features & IORING_FEAT_SINGLE_MMAP) == 0) {
    return false;
  }
  const std::size_t submitLength = params.sq_off.array + params.sq_entries * sizeof(unsigned);
  const std::size_t doneLength = params.cq_off.cqes + params.cq_entries * sizeof(io_uring_cqe);
  ring.queuesLength = submitLength > doneLength ? submitLength : doneLength;
  ring.queues = mmap(nullptr, ring.queuesLength, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE,
                     ring.descriptor, IORING_OFF_SQ_RING);
  ring.entriesLength = params.sq_entries * sizeof(io_uring_sqe);
  void* entries = mmap(nullptr, ring.entriesLength, PROT_READ | PROT_WRITE,
                       MAP_SHARED | MAP_POPULATE, ring.descriptor, IORING_OFF_SQES);
  if (ring.queues == MAP_FAILED || entries == MAP_FAILED) {
    return false;
  }
  ring.entries = static_cast<io_uring_sqe*>(entries);
  ring.submitTail = At<unsigned>(ring.queues, params.sq_off.tail);
  ring.submitArray = At<unsigned>(ring.queues, params.sq_off.array);
  ring.submitMask = *At<unsigned>(ring.queues, params.sq_off.ring_mask);
  ring.doneHead = At<unsigned>(ring.queues, params.cq_off.head);
  ring.doneTail = At<unsigned>(ring.queues, params.cq_off.tail);
  ring.doneMask = *At<unsigned>(ring.queues, params.cq_off.ring_mask);
  ring.done = At<io_uring_cqe>(ring.queues, params.cq_off.cqes);
  ring.tail = *ring.submitTail;
  return true;
}

void MakeRing(Ring& ring) {
  io_uring_params params;
  std::memset(&params, 0, sizeof params);
  ring.descriptor = static_cast<int>(syscall(__NR_io_uring_setup, kRingRequests, &params));
  if (ring.descriptor < 0 || !KnowsRequests(ring.descriptor) || !MapRing(ring, params)) {
    CloseRing(ring);
  }
}

io_uring_sqe& AddEntry(std::size_t slot, std::uint8_t request) {
  Ring& ring = theRing;
  const unsigned index = ring.tail & ring.submitMask;
  io_uring_sqe& entry = ring.entries[index];
  std::memset(&entry, 0, sizeof entry);
  entry.opcode = request;
  entry.user_data = slot;
  ring.submitArray[index] = index;
  ++ring.tail;
  ++ring.added;
  return entry;
}

// Takes every completion there is into `results`; returns how many.
unsigned Reap(Ring& ring, int* results, std::size_t count) {
  unsigned head = *ring.doneHead;
  const unsigned tail = __atomic_load_n(ring.doneTail, __ATOMIC_ACQUIRE);
  unsigned reaped = 0;
  for (; head != tail; ++head, ++reaped) {
    const io_uring_cqe& done = ring.done[head & ring.doneMask];
    if (done.user_data < count) {
      results[done.user_data] = done.res;
    }
  }
  __atomic_store_n(ring.doneHead, head, __ATOMIC_RELEASE);
  return reaped;
}

}  // namespace

bool OpenRequestRing() {
  if (theRing.descriptor < 0) {
    MakeRing(theRing);
  }
  return theRing.descriptor >= 0;
}

void CloseRequestRing() { CloseRing(theRing); }

bool HasRequestRing() { return theRing.descriptor >= 0; }

// Every request is one the kernel makes at once or gives back (EAGAIN), never one it hands to a
// worker of its own: such workers are threads of this process, which has one. An open asks for a
// path it can resolve from the caches alone (RESOLVE_CACHED), a read for bytes it need not wait
// for (RWF_NOWAIT); the caller makes any other itself. So every request is done when the call
// that submits it returns, and nothing writes into a buffer after RunRequests.
void AddOpenRequest(std::size_t slot, int folder, const char* path, int flags) {
  io_uring_sqe& entry = AddEntry(slot, IORING_OP_OPENAT2);
  open_how& how = theRing.opens[slot];
  how = open_how();
  how.flags = static_cast<decltype(how.flags)>(static_cast<unsigned>(flags));
  how.resolve = RESOLVE_CACHED;
  entry.fd = folder;
  entry.addr = reinterpret_cast<std::uintptr_t>(path);
  entry.len = sizeof how;
  entry.addr2 = reinterpret_cast<std::uintptr_t>(&how);
}

void AddReadRequest(std::size_t slot, int descriptor, void* buffer, std::size_t count,
                    std::int64_t offset) {
  io_uring_sqe& entry = AddEntry(slot, IORING_OP_READ);
  entry.fd = descriptor;
  entry.addr = reinterpret_cast<std::uintptr_t>(buffer);
  entry.len = static_cast<std::uint32_t>(count);
  entry.off = static_cast<std::uint64_t>(offset);
  entry.rw_flags = RWF_NOWAIT;
}

void RunRequests(int* results, std::size_t count) {
  Ring& ring = theRing;
  for (std::size_t slot = 0; slot < count; ++slot) {
    results[slot] = kRequestNotRun;
  }
  __atomic_store_n(ring.submitTail, ring.tail, __ATOMIC_RELEASE);
  unsigned toSubmit = ring.added;
  unsigned running = 0;
  ring.added = 0;
  for (int idleCalls = 0; toSubmit + running > 0;) {
    const long entered = syscall(__NR_io_uring_enter, ring.descriptor, toSubmit, toSubmit + running,
                                 IORING_ENTER_GETEVENTS, nullptr, 0);
    if (entered < 0 && errno != EINTR && errno != EAGAIN && errno != EBUSY) {
      idleCalls = kIdleCallsLimit;
    } else if (entered > 0) {
      toSubmit -= static_cast<unsigned>(entered);
      running += static_cast<unsigned>(entered);
    }
    const unsigned reaped = Reap(ring, results, count);
    running -= reaped;
    idleCalls = entered > 0 || reaped > 0 ? 0 : idleCalls + 1;
    if (idleCalls >= kIdleCallsLimit) {
      // Never seen: requests not taken stay unrun, and the caller makes their calls itself.
      CloseRing(ring);
      return;
    }
  }
}

#else

bool OpenRequestRing() { return false; }
void CloseRequestRing() {}
bool HasRequestRing() { return false; }
void AddOpenRequest(std::size_t, int, const char*, int) {}
void AddReadRequest(std::size_t, int, void*, std::size_t, std::int64_t) {}
void RunRequests(int* results, std::size_t count) {
  for (std::size_t slot = 0; slot < count; ++slot) {
    results[slot] = kRequestNotRun;
  }
}

#endif
