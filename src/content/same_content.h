// Two files read block by block and their bytes compared: the final word on whether they are
// copies, whatever came before it (sizes, fingerprints, digests) only choosing which pairs meet.
#pragma once

#include <cstddef>

#include "platform/path_text.h"
#include "platform/readable_file.h"

/// 256 KiB blocks: the fastest of 16 to 256 KiB on the large and home-like bench trees, where
/// comparisons are the run. Warm, medians of 15 interleaved runs: 0.094 and 0.120 s at 256 KiB,
/// 0.105 and 0.129 at 128, 0.121 and 0.142 at 64, 0.162 and 0.176 at 32; cold, 0.30 s on large at
/// both 256 and 128 KiB. Each halving doubles the read calls. The machine measured has a 1 MiB
/// L2 cache; one with 512 KiB was reported faster at 64 KiB: measure there before changing this.
constexpr std::size_t kCompareBlock = 256 * 1024;

/// Whether two files already open hold the same bytes, read afresh to their ends, which must be
/// where their size says. A failed read, or one that ends before the size, sets `*readError` and
/// answers false: unread bytes are never equal bytes.
bool SameContent(const ReadableFile& first, const ReadableFile& second, bool* readError);

/// A file read through one open per block, so that a comparison needs only one descriptor at a
/// time: its path, and the state its first open found, which every later open must find.
struct FileByPath {
  const PathChar* path = nullptr;
  FileState state;
};

/// Whether the two files hold the same bytes, each opened again for every block. False too when
/// either cannot be opened again, is no longer as its first open found it, or cannot be read.
bool SameContentOneOpenAtATime(const FileByPath& first, const FileByPath& second);
