// Md5Several, the MD5 the program runs, gives each of its messages the digest that Md5Init,
// Md5Append and Md5Finish give that message alone, whatever the count, the lengths and the
// addresses, by every way this processor runs (four lanes and eight, each with lanes ended early
// or left empty). The first input byte chooses the count and the alignment, the next two bytes per
// lane each message's length; the rest of the input is cut into the messages.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "content/md5.h"

namespace {

constexpr std::size_t kDigestLength = 16;
constexpr std::size_t kHeaderLength = 1 + 2 * kMd5Lanes;

Fingerprint DigestAlone(const unsigned char* message, std::size_t length) {
  Md5Context context;
  Md5Init(context);
  Md5Append(context, message, static_cast<std::int32_t>(length));
  return Md5Finish(context);
}

void PrintDigest(const char* label, const Fingerprint& digest) {
  std::fprintf(stderr, "%s ", label);
  for (std::size_t i = 0; i < kDigestLength; ++i) {
    const std::uint64_t word = i < 8 ? digest.first : digest.second;
    std::fprintf(stderr, "%02x", static_cast<unsigned>((word >> (8 * (i % 8))) & 0xff));
  }
  std::fprintf(stderr, "\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeaderLength) {
    return 0;
  }
  const int count = 1 + data[0] % kMd5Lanes;
  const std::size_t shift = (data[0] / kMd5Lanes) % 8;  // messages at odd addresses too
  const std::uint8_t* rest = data + kHeaderLength;
  std::size_t restLength = size - kHeaderLength;
  // Each message in an allocation of its own size, so reading past its end is a fault the
  // sanitizer sees; an empty message still has an address.
  std::unique_ptr<unsigned char[]> buffers[kMd5Lanes];
  const unsigned char* messages[kMd5Lanes];
  std::size_t lengths[kMd5Lanes];
  for (int lane = 0; lane < count; ++lane) {
    // Any length from none to the longest message the lanes take, as far as the input lasts.
    const std::size_t wanted =
        (static_cast<std::size_t>(data[1 + 2 * lane]) << 8 | data[2 + 2 * lane]) %
        (kMd5SeveralLimit + 1);
    const std::size_t length = wanted > restLength ? restLength : wanted;
    buffers[lane].reset(new unsigned char[shift + length]);
    if (length > 0) {
      std::memcpy(buffers[lane].get() + shift, rest, length);
    }
    messages[lane] = buffers[lane].get() + shift;
    lengths[lane] = length;
    rest += length;
    restLength -= length;
  }
  for (const Md5Way way : {Md5Way::kOneByOne, Md5Way::kFourLanes, Md5Way::kEightLanes}) {
    if (!Md5WayRuns(way)) {
      continue;
    }
    Fingerprint digests[kMd5Lanes];
    Md5SeveralBy(way, messages, lengths, count, digests);
    for (int lane = 0; lane < count; ++lane) {
      const Fingerprint alone = DigestAlone(messages[lane], lengths[lane]);
      if (digests[lane] != alone) {
        std::fprintf(stderr, "way %d, lane %d of %d, %zu bytes, differs from its message alone\n",
                     static_cast<int>(way), lane, count, lengths[lane]);
        PrintDigest("expected", alone);
        PrintDigest("actual  ", digests[lane]);
        std::abort();
      }
    }
  }
  return 0;
}
