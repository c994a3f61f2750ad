// Windows: one file after another. Its overlapped reads would need handles of their own, not the
// C streams that ReadableFile holds.
#include "platform/file_batch.h"

bool StartBatches() { return false; }

void EndBatches() {}

void OpenTogether(BatchOpen* opens, std::size_t count) {
  for (std::size_t index = 0; index < count; ++index) {
    opens[index].result = OpenForReading(opens[index].path, &opens[index].file);
  }
}

void ReadTogether(BatchRead* reads, std::size_t count) {
  for (std::size_t index = 0; index < count; ++index) {
    BatchRead& read = reads[index];
    read.got = ReadAt(*read.file, read.offset, read.buffer, read.count, &read.readError);
  }
}
