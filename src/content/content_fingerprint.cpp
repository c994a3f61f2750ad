#include "content/content_fingerprint.h"

#include "content/md5.h"
#include "platform/readable_file.h"

namespace {
constexpr std::int64_t kWholeFileLimit = 512;
constexpr std::size_t kSampleLength = 256;
}  // namespace

Fingerprint ContentFingerprint(const PathChar* path, std::int64_t size) {
  ReadableFile file;
  if (!OpenForReading(path, &file)) {
    return ZeroFingerprint;
  }
  Md5Context context;
  Md5Init(context);
  unsigned char buffer[kWholeFileLimit];
  if (size < kWholeFileLimit) {
    // Only as many bytes as the walk saw, even if the file has grown since; none for a size
    // below zero, which the walk never produces.
    const std::size_t wanted = size > 0 ? static_cast<std::size_t>(size) : 0;
    const std::size_t got = ReadAt(file, 0, buffer, wanted);
    Md5Append(context, buffer, static_cast<std::int32_t>(got));
  } else {
    const std::size_t head = ReadAt(file, 0, buffer, kSampleLength);
    Md5Append(context, buffer, static_cast<std::int32_t>(head));
    // The tail is the last 256 bytes of the file as it is now. A file that shrank below that
    // has nothing after its head left to give.
    const std::int64_t sample = static_cast<std::int64_t>(kSampleLength);
    const std::int64_t tailOffset =
        file.size >= sample ? file.size - sample : static_cast<std::int64_t>(head);
    const std::size_t tail = ReadAt(file, tailOffset, buffer, kSampleLength);
    Md5Append(context, buffer, static_cast<std::int32_t>(tail));
  }
  CloseFile(&file);
  return Md5Finish(context);
}
