// MD5 of any message, fed in any split, equals the digest of the same message in one run and
// OpenSSL's digest of it. The first input byte chooses the split and the alignment; the rest is
// the message.
#include <openssl/evp.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "content/md5.h"

namespace {

constexpr std::size_t kDigestLength = 16;
constexpr std::uint32_t kLongestRun = 150;  // runs cross the 64-byte blocks in every way

// The digest's bytes in RFC 1321 order, read back from the two little-endian words.
void DigestBytes(const Fingerprint& digest, unsigned char* bytes) {
  for (std::size_t i = 0; i < kDigestLength; ++i) {
    const std::uint64_t word = i < 8 ? digest.first : digest.second;
    bytes[i] = static_cast<unsigned char>(word >> (8 * (i % 8)));
  }
}

void FailWith(const char* what, const unsigned char* expected, const unsigned char* actual) {
  std::fprintf(stderr, "%s\nexpected ", what);
  for (std::size_t i = 0; i < kDigestLength; ++i) {
    std::fprintf(stderr, "%02x", expected[i]);
  }
  std::fprintf(stderr, "\nactual   ");
  for (std::size_t i = 0; i < kDigestLength; ++i) {
    std::fprintf(stderr, "%02x", actual[i]);
  }
  std::fprintf(stderr, "\n");
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  std::uint32_t state = data[0] * 2654435761u + 1;
  const std::size_t messageLength = size - 1;
  // The message at an odd address as often as not: blocks are read where they lie.
  const std::size_t shift = data[0] % 8;
  std::vector<unsigned char> placed(messageLength + shift + 1);
  std::memcpy(placed.data() + shift, data + 1, messageLength);
  const unsigned char* message = placed.data() + shift;

  Md5Context whole;
  Md5Init(whole);
  Md5Append(whole, message, static_cast<std::int32_t>(messageLength));
  unsigned char wholeBytes[kDigestLength];
  DigestBytes(Md5Finish(whole), wholeBytes);

  Md5Context split;
  Md5Init(split);
  std::size_t done = 0;
  while (done < messageLength) {
    state = state * 1103515245u + 12345u;
    std::size_t run = (state >> 8) % (kLongestRun + 1);
    if (run > messageLength - done) {
      run = messageLength - done;
    }
    Md5Append(split, message + done, static_cast<std::int32_t>(run));
    // Counts of zero and below must leave the context as it is.
    Md5Append(split, message, -static_cast<std::int32_t>(state % 3));
    done += run;
  }
  unsigned char splitBytes[kDigestLength];
  DigestBytes(Md5Finish(split), splitBytes);

  unsigned char reference[EVP_MAX_MD_SIZE];
  unsigned int referenceLength = 0;
  if (EVP_Digest(message, messageLength, reference, &referenceLength, EVP_md5(), nullptr) != 1 ||
      referenceLength != kDigestLength) {
    std::fprintf(stderr, "OpenSSL gave no MD5 digest\n");
    std::abort();
  }
  if (std::memcmp(reference, wholeBytes, kDigestLength) != 0) {
    FailWith("one run differs from OpenSSL", reference, wholeBytes);
  }
  if (std::memcmp(wholeBytes, splitBytes, kDigestLength) != 0) {
    FailWith("split runs differ from one run", wholeBytes, splitBytes);
  }
  return 0;
}
