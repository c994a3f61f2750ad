#include "content/compare_files.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "output_texts.h"
#include "platform/readable_file.h"

namespace {

// 256 KiB blocks: many times faster than reading a character at a time, and no faster beyond.
constexpr std::size_t kCompareBlock = 256 * 1024;

void PrintOpenFailure(TextOutput& console, const PathChar* path) {
  PrintText(console, kOpenFailedLine, path);
}

// The first 1 MiB of a reference is kept while it is held, so each of its next candidates costs
// only its own read: on a tree with sets of 2 to 5 copies of files up to 1 MiB, this cut the
// bytes read by comparisons by a quarter. Keeping 4 MiB cost 3 MiB more memory in every run with
// a large duplicate, for files whose comparison is mostly beyond what could be kept anyway.
constexpr std::size_t kKeptLength = 4 * kCompareBlock;

// The buffers live for the whole run: allocating them per call would cost mappings of fresh
// memory for every pair of small files. Left uninitialised, so only what reads have reached
// costs memory: a run over small files never touches most of them.
struct CompareBuffers {
  std::unique_ptr<unsigned char[]> kept{new unsigned char[kKeptLength]};
  std::unique_ptr<unsigned char[]> reference{new unsigned char[kCompareBlock]};
  std::unique_ptr<unsigned char[]> candidate{new unsigned char[kCompareBlock]};
  std::uint64_t keptFor = 0;  ///< the keptFill of the reference whose bytes `kept` holds
  std::uint64_t fills = 0;
};

CompareBuffers& Buffers() {
  static CompareBuffers buffers;
  return buffers;
}

bool SameContent(ComparisonReference& reference, const ReadableFile& candidate) {
  const ReadableFile& first = reference.file;
  if (first.size != candidate.size) {
    return false;  // one of them changed since the walk; they cannot end together
  }
  CompareBuffers& buffers = Buffers();
  if (reference.keptFill == 0 || reference.keptFill != buffers.keptFor) {
    // Nothing kept yet, or another reference has used the buffer since.
    reference.keptFill = ++buffers.fills;
    reference.keptLength = 0;
    buffers.keptFor = reference.keptFill;
  }
  bool readError = false;
  for (std::int64_t offset = 0;; offset += static_cast<std::int64_t>(kCompareBlock)) {
    const std::size_t at = static_cast<std::size_t>(offset);
    const unsigned char* firstBytes;
    std::size_t firstGot;
    if (at < reference.keptLength) {
      // Kept by an earlier comparison; a kept block shorter than a whole one is the file's end.
      firstBytes = buffers.kept.get() + at;
      firstGot = std::min(kCompareBlock, reference.keptLength - at);
    } else if (at < kKeptLength) {
      unsigned char* slot = buffers.kept.get() + at;
      firstGot = ReadAt(first, offset, slot, kCompareBlock, &readError);
      if (!readError) {
        reference.keptLength = at + firstGot;
      }
      firstBytes = slot;
    } else {
      firstGot = ReadAt(first, offset, buffers.reference.get(), kCompareBlock, &readError);
      firstBytes = buffers.reference.get();
    }
    unsigned char* secondBytes = buffers.candidate.get();
    const std::size_t secondGot = ReadAt(candidate, offset, secondBytes, kCompareBlock, &readError);
    // A read error is never taken for the end of both files: unread bytes are not equal bytes.
    if (readError || firstGot != secondGot || std::memcmp(firstBytes, secondBytes, firstGot) != 0) {
      return false;
    }
    if (firstGot < kCompareBlock) {
      return true;  // both ended on the same read with every byte equal
    }
  }
}

// Read-ahead only matters past the first block; below it the hint was one more system call per
// file, two for each of the 19,000 comparisons of a tree of small files.
void AdviseIfLarge(const ReadableFile& file) {
  if (file.size > static_cast<std::int64_t>(kCompareBlock)) {
    AdviseSequential(file);
  }
}

}  // namespace

int CompareWithReference(ComparisonReference& reference, const PathChar* candidate,
                         TextOutput& console) {
  const bool openedNow = !reference.opened && OpenForReading(reference.path, &reference.file);
  if (openedNow) {
    reference.opened = true;
    reference.keptFill = 0;
    AdviseIfLarge(reference.file);
  }
  ReadableFile candidateFile;
  const bool candidateOpened = OpenForReading(candidate, &candidateFile);
  if (reference.opened && candidateOpened) {
    AdviseIfLarge(candidateFile);
    const bool same = SameContent(reference, candidateFile);
    CloseFile(&candidateFile);
    return same ? 1 : 0;
  }
  if (candidateOpened) {
    PrintOpenFailure(console, reference.path);
    CloseFile(&candidateFile);
    return -1;
  }
  if (reference.opened) {
    PrintOpenFailure(console, candidate);
    return -2;
  }
  PrintOpenFailure(console, reference.path);
  PrintOpenFailure(console, candidate);
  return -3;
}

void ReleaseReference(ComparisonReference& reference) {
  if (reference.opened) {
    CloseFile(&reference.file);
    reference.opened = false;
  }
  reference.keptFill = 0;
}

int CompareFiles(const PathChar* first, const PathChar* second, TextOutput& console) {
  ComparisonReference reference;
  reference.path = first;
  const int result = CompareWithReference(reference, second, console);
  ReleaseReference(reference);
  return result;
}
