#include "content/same_content.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

// The buffers live for the whole run: allocating them per call would cost mappings of fresh
// memory for every pair of small files. Left uninitialised, so only what reads have reached
// costs memory: a run over small files never touches most of them.
struct CompareBuffers {
  std::unique_ptr<unsigned char[]> first{new unsigned char[kCompareBlock]};
  std::unique_ptr<unsigned char[]> second{new unsigned char[kCompareBlock]};
};

CompareBuffers& Buffers() {
  static CompareBuffers buffers;
  return buffers;
}

// The bytes at `offset`, or false when the file cannot be opened again, is no longer the file
// that was first opened, or cannot be read.
bool ReadAlone(const FileByPath& file, std::int64_t offset, unsigned char* buffer,
               std::size_t* got) {
  ReadableFile opened;
  if (OpenForReading(file.path, &opened) != OpenResult::kOpened) {
    return false;
  }
  bool readError = false;
  const bool same = SameFileState(opened.state, file.state);
  *got = same ? ReadAt(opened, offset, buffer, kCompareBlock, &readError) : 0;
  CloseFile(&opened);
  return same && !readError;
}

}  // namespace

bool SameContent(const ReadableFile& first, const ReadableFile& second, bool* readError) {
  if (first.state.size != second.state.size) {
    return false;  // one of them changed since the walk; they cannot end together
  }
  CompareBuffers& buffers = Buffers();
  for (std::int64_t offset = 0;; offset += static_cast<std::int64_t>(kCompareBlock)) {
    const std::size_t firstGot =
        ReadAt(first, offset, buffers.first.get(), kCompareBlock, readError);
    const std::size_t secondGot =
        ReadAt(second, offset, buffers.second.get(), kCompareBlock, readError);
    // A read error is never taken for the end of both files: unread bytes are not equal bytes.
    if (*readError || firstGot != secondGot ||
        std::memcmp(buffers.first.get(), buffers.second.get(), firstGot) != 0) {
      return false;
    }
    if (firstGot < kCompareBlock) {
      // Both ended on the same read with every byte equal: equal only when they ended where their
      // size says. A file that gives fewer bytes (one cut short since it was opened, or a kernel
      // file whose size is a page) was not read to its end.
      const std::int64_t read = offset + static_cast<std::int64_t>(firstGot);
      *readError = read < first.state.size;
      return read == first.state.size;
    }
  }
}

bool SameContentOneOpenAtATime(const FileByPath& first, const FileByPath& second) {
  CompareBuffers& buffers = Buffers();
  for (std::int64_t offset = 0;; offset += static_cast<std::int64_t>(kCompareBlock)) {
    std::size_t firstGot = 0;
    std::size_t secondGot = 0;
    if (!ReadAlone(first, offset, buffers.first.get(), &firstGot) ||
        !ReadAlone(second, offset, buffers.second.get(), &secondGot) || firstGot != secondGot ||
        std::memcmp(buffers.first.get(), buffers.second.get(), firstGot) != 0) {
      return false;
    }
    if (firstGot < kCompareBlock) {
      return offset + static_cast<std::int64_t>(firstGot) == first.state.size &&
             first.state.size == second.state.size;
    }
  }
}
