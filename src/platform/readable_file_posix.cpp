// POSIX content reads: open without blocking or following a final link, pread in place.
#include "platform/readable_file.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>

#include "platform/file_state_posix.h"
#include "platform/folder_hold_posix.h"

namespace {

// The most pages IsInCache looks at; a longer range counts as not cached.
constexpr std::size_t kResidencyPages = 16;

#if defined(__linux__) && !defined(__alpha__)
// cachestat (Linux 6.5), by its number: the system headers of older releases do not name it.
// Numbers from 424 on are one list on every architecture but alpha.
constexpr long kCachestatCall = 451;

struct CachestatRange {
  std::uint64_t offset;
  std::uint64_t length;
};

struct Cachestat {
  std::uint64_t cached;
  std::uint64_t dirty;
  std::uint64_t writeback;
  std::uint64_t evicted;
  std::uint64_t recentlyEvicted;
};

// Whether the cache holds all `pages` pages from the page at `first`: 1 yes, 0 no, -1 the system
// cannot say this way. One call where mmap, mincore and munmap were three: 5,379 of the 579,374
// calls of a warm run over many-small.
int CachedByCachestat(int descriptor, std::int64_t first, std::size_t pages, long pageSize) {
  static bool missing = false;
  if (missing) {
    return -1;
  }
  CachestatRange range{static_cast<std::uint64_t>(first),
                       static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize)};
  Cachestat counts{};
  if (syscall(kCachestatCall, descriptor, &range, &counts, 0) != 0) {
    // ENOSYS: a kernel before it, for the rest of the run. EPERM: a file of another user that the
    // caller may not write, which kernels since 6.14 refuse to tell of; mincore is asked then.
    missing = errno == ENOSYS;
    return -1;
  }
  return counts.cached >= pages ? 1 : 0;
}
#else
int CachedByCachestat(int, std::int64_t, std::size_t, long) { return -1; }
#endif

// Closes descriptors[first] to descriptors[last], consecutive numbers all owned by the caller.
// One close_range for the run: the fingerprints of 85,835 files made as many close calls,
// nearly a sixth of the run's system calls. Where the call is missing, one close each.
void CloseRun(const std::vector<int>& descriptors, std::size_t first, std::size_t last) {
#ifdef __linux__
  if (last > first && close_range(static_cast<unsigned>(descriptors[first]),
                                  static_cast<unsigned>(descriptors[last]), 0) == 0) {
    return;
  }
#endif
  for (std::size_t index = first; index <= last; ++index) {
    close(descriptors[index]);
  }
}

}  // namespace

OpenResult OpenForReading(const PathChar* path, ReadableFile* file) {
  RunBeforeOpenHook(path);
  OpenResult result = TakeRegularFile(open(path, kReadOpenFlags), file);
  // The folder held for the checks of whole digests takes a descriptor that was free before.
  if (result == OpenResult::kNoDescriptor && LetHeldFolderGo()) {
    result = TakeRegularFile(open(path, kReadOpenFlags), file);
  }
  return KeepIfListed(path, result, file);
}

bool StateAtPath(const PathChar* path, FileState* state) {
  // By its last name in the folder held for it (folder_hold_posix.h): the checks of the whole
  // digests come in the walk's order, folder by folder, as do the fingerprints' opens.
  const NameInFolder from = HoldFolderOf(path);
  CloseFoldersLetGo();
  struct stat status;
  if (fstatat(from.folder, from.name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(status.st_mode)) {
    return false;
  }
  *state = FileStateOf(status);
  return IsListedFile(path, state->identity);
}

bool FileUnchanged(const ReadableFile& file, const PathChar* path) {
  // One status call of the name answers both questions: when it names the open file, what it
  // gives is that file's status, as fstat would give it. The fstat beside it was 38,395 of the
  // 637,655 calls on many-small. Not following a link: a link put in the file's place is
  // another file.
  struct stat named;
  return lstat(path, &named) == 0 && SameFileState(FileStateOf(named), file.state);
}

std::size_t ReadAt(const ReadableFile& file, std::int64_t offset, void* buffer, std::size_t count,
                   bool* readError) {
  char* target = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::int64_t at = offset + static_cast<std::int64_t>(done);
    const ssize_t got =
        pread(static_cast<int>(file.handle), target + done, count - done, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0 && readError != nullptr) {
      *readError = true;
    }
    if (got <= 0) {
      break;
    }
    done += static_cast<std::size_t>(got);
    // A short read that reaches the size the file had when it was opened is its end: asking
    // again would cost a second call for every file smaller than the request, only to get 0.
    if (at + got >= file.state.size) {
      break;
    }
  }
  return done;
}

bool IsInCache(const ReadableFile& file, std::int64_t offset, std::int64_t length) {
  // cachestat, or mincore over a mapping of the range, reads no page and moves no read-ahead
  // mark. A read with RWF_NOWAIT was tried first: it refused cached pages that carried the
  // read-ahead mark.
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (length <= 0 || pageSize <= 0) {
    return true;
  }
  const std::int64_t first = offset / pageSize * pageSize;
  const std::size_t mapped = static_cast<std::size_t>(offset + length - first);
  const std::size_t pages =
      (mapped + static_cast<std::size_t>(pageSize) - 1) / static_cast<std::size_t>(pageSize);
  if (pages > kResidencyPages) {
    return false;
  }
  const int answer = CachedByCachestat(static_cast<int>(file.handle), first, pages, pageSize);
  if (answer >= 0) {
    return answer == 1;
  }
  void* view = mmap(nullptr, mapped, PROT_READ, MAP_SHARED, static_cast<int>(file.handle),
                    static_cast<off_t>(first));
  if (view == MAP_FAILED) {
    return true;
  }
  unsigned char resident[kResidencyPages] = {};
  bool cached = mincore(view, mapped, resident) == 0;
  for (std::size_t page = 0; cached && page < pages; ++page) {
    cached = (resident[page] & 1) != 0;
  }
  munmap(view, mapped);
  return cached;
}

void AdviseSequential(const ReadableFile& file) {
  posix_fadvise(static_cast<int>(file.handle), 0, 0, POSIX_FADV_SEQUENTIAL);
}

void AdviseWillNeed(const ReadableFile& file, std::int64_t offset, std::int64_t length) {
  posix_fadvise(static_cast<int>(file.handle), static_cast<off_t>(offset),
                static_cast<off_t>(length), POSIX_FADV_WILLNEED);
}

void OnListedFileLookup(bool set) { HoldFolders(set); }

void CloseFile(ReadableFile* file) {
  close(static_cast<int>(file->handle));
  file->handle = -1;
}

void CloseFiles(std::vector<ReadableFile>& files) {
  std::vector<int> descriptors;
  descriptors.reserve(files.size());
  for (const ReadableFile& file : files) {
    descriptors.push_back(static_cast<int>(file.handle));
  }
  files.clear();
  std::sort(descriptors.begin(), descriptors.end());
  for (std::size_t first = 0; first < descriptors.size();) {
    std::size_t last = first;
    while (last + 1 < descriptors.size() && descriptors[last + 1] == descriptors[last] + 1) {
      ++last;
    }
    CloseRun(descriptors, first, last);
    first = last + 1;
  }
}

std::int64_t SharedBytes(const ReadableFile& file, bool* canShare) {
  const int descriptor = static_cast<int>(file.handle);
  struct statfs system;
  // Btrfs, XFS and bcachefs: the file systems whose extents may be shared.
  // Cast each: where long has 32 bits (x86) the first and last are past its range, as f_type's.
  constexpr long kSharing[] = {static_cast<long>(0x9123683e), 0x58465342,
                               static_cast<long>(0xca451a4e)};
  *canShare = fstatfs(descriptor, &system) == 0 &&
              std::find(std::begin(kSharing), std::end(kSharing),
                        static_cast<long>(system.f_type)) != std::end(kSharing);
  if (!*canShare) {
    return 0;
  }
  constexpr unsigned kBatch = 64;
  alignas(fiemap) unsigned char request[sizeof(fiemap) + kBatch * sizeof(fiemap_extent)];
  auto* map = reinterpret_cast<fiemap*>(request);
  std::int64_t shared = 0;
  std::uint64_t start = 0;
  for (;;) {
    std::fill(std::begin(request), std::end(request), 0);
    map->fm_start = start;
    map->fm_length = FIEMAP_MAX_OFFSET - start;
    map->fm_extent_count = kBatch;
    if (ioctl(descriptor, FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents == 0) {
      return shared;
    }
    for (unsigned index = 0; index < map->fm_mapped_extents; ++index) {
      const fiemap_extent& extent = map->fm_extents[index];
      if ((extent.fe_flags & FIEMAP_EXTENT_SHARED) != 0) {
        shared += static_cast<std::int64_t>(extent.fe_length);
      }
      if ((extent.fe_flags & FIEMAP_EXTENT_LAST) != 0) {
        return shared;
      }
      start = extent.fe_logical + extent.fe_length;
    }
  }
}
