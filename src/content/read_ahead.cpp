#include "content/read_ahead.h"

#include <algorithm>

namespace {

// Every so many files opened at their turn, the cache is asked whether it holds the next one's
// first pages (three calls: mmap, mincore, munmap). Only misses in a row turn the read-ahead on:
// a warm tree here showed a lone miss about once in 100 probes (pages evicted by the other work
// on the machine), and one turned the read-ahead on for the rest of a warm run. A cold tree
// begins to read ahead after its first 96 files.
constexpr std::size_t kProbeInterval = 32;
constexpr int kMissesToReadAhead = 3;

// Opens a waiting file. False, with the file still waiting, when no descriptor is left even with
// the files read so far closed; a file that cannot be opened for any other reason is done.
bool OpenWaiting(ReadAheadWindow& window, AheadFile& ahead) {
  OpenResult result = OpenForReading(ahead.path, &ahead.file);
  if (result == OpenResult::kNoDescriptor && !window.toClose.empty()) {
    CloseRead(window);
    result = OpenForReading(ahead.path, &ahead.file);
  }
  if (result == OpenResult::kNoDescriptor) {
    return false;
  }
  if (result == OpenResult::kFailed) {
    ahead.state = AheadState::kDone;
    return true;
  }
  ahead.state = AheadState::kOpened;
  ++window.openCount;
  return true;
}

void CloseAhead(ReadAheadWindow& window, AheadFile& ahead, AheadState after) {
  CloseFile(&ahead.file);
  --window.openCount;
  ahead.state = after;
}

void Probe(ReadAheadWindow& window, const AheadFile& ahead) {
  if (window.readingAhead || window.turns % kProbeInterval != 0) {
    return;
  }
  const std::int64_t head = std::min(ahead.size, window.probeLength);
  window.missesInARow = IsInCache(ahead.file, 0, head) ? 0 : window.missesInARow + 1;
  window.readingAhead = window.missesInARow >= kMissesToReadAhead;
}

}  // namespace

void OpenEarly(EarlyOpen& early, const PathChar* path, std::int64_t length,
               const FileIdentity& held) {
  if (early.path != nullptr) {
    return;
  }
  if (OpenForReading(path, &early.file) == OpenResult::kOpened) {
    early.path = path;
    // A small file's pages came with its fingerprint: warm, the advice was 14,041 calls on
    // many-small that found every page there already.
    if (!SameFile(early.file.state.identity, held) && early.file.state.size > kWholeAdviceLimit) {
      AdviseWillNeed(early.file, 0, length);
    }
  }
}

OpenResult TakeEarlyOrOpen(EarlyOpen& early, const PathChar* path, ReadableFile* file) {
  if (early.path == path) {
    *file = early.file;
    early.path = nullptr;
    return OpenResult::kOpened;
  }
  ReleaseEarly(early);
  return OpenForReading(path, file);
}

void ReleaseEarly(EarlyOpen& early) {
  if (early.path != nullptr) {
    CloseFile(&early.file);
    early.path = nullptr;
  }
}

void AddToWindow(ReadAheadWindow& window, const PathChar* path, std::int64_t size) {
  AheadFile ahead;
  ahead.path = path;
  ahead.size = size;
  ahead.state = size == 0 ? AheadState::kDone : AheadState::kWaiting;
  window.files.push_back(ahead);
}

void OpenAhead(ReadAheadWindow& window) {
  if (!window.readingAhead) {
    return;
  }
  for (AheadFile& ahead : window.files) {
    if (window.openCount >= window.openLimit) {
      return;
    }
    if (ahead.state != AheadState::kWaiting) {
      continue;
    }
    if (!OpenWaiting(window, ahead)) {
      window.openLimit = window.openCount;
      return;
    }
    if (ahead.state == AheadState::kOpened && window.advise != nullptr) {
      window.advise(ahead.file, ahead.size);
    }
  }
}

bool OpenAtTurn(ReadAheadWindow& window, AheadFile& ahead) {
  if (ahead.state == AheadState::kWaiting && !OpenWaiting(window, ahead)) {
    for (AheadFile& other : window.files) {
      if (other.state == AheadState::kOpened) {
        CloseAhead(window, other, AheadState::kWaiting);
      }
    }
    window.openLimit = 0;
    if (!OpenWaiting(window, ahead)) {
      ahead.state = AheadState::kDone;  // nothing else is open: no descriptor to be had
      window.outOfDescriptors = true;
    }
  }
  if (ahead.state != AheadState::kOpened) {
    return false;
  }
  Probe(window, ahead);
  ++window.turns;
  return true;
}

void CloseAtTurn(ReadAheadWindow& window, AheadFile& ahead) {
  window.toClose.push_back(ahead.file);
  ahead.file.handle = -1;
  --window.openCount;
  ahead.state = AheadState::kDone;
  if (window.toClose.size() >= kCloseTogether) {
    CloseRead(window);
  }
}

void CloseRead(ReadAheadWindow& window) { CloseFiles(window.toClose); }

void DropRead(ReadAheadWindow& window, std::size_t count) {
  window.files.erase(window.files.begin(),
                     window.files.begin() + static_cast<std::ptrdiff_t>(count));
}
