#include "content/md5.h"

#include <cstring>

#include "content/md5_tables.h"

namespace {

constexpr unsigned char kPadding[64] = {0x80};

inline std::uint32_t RotateLeft(std::uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

// The four auxiliary functions of the rounds, in the forms with fewest operations.
inline std::uint32_t RoundF(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return z ^ (x & (y ^ z));
}
inline std::uint32_t RoundG(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return y ^ (z & (x ^ y));
}
inline std::uint32_t RoundH(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
inline std::uint32_t RoundI(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return y ^ (x | ~z);
}

template <std::uint32_t (*Mix)(std::uint32_t, std::uint32_t, std::uint32_t)>
inline void Step(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                 std::uint32_t word, std::uint32_t constant, int shift) {
  a = b + RotateLeft(a + Mix(b, c, d) + word + constant, shift);
}

}  // namespace

void Md5Init(Md5Context& context) {
  context.bitCount[0] = 0;
  context.bitCount[1] = 0;
  for (int word = 0; word < 4; ++word) {
    context.state[word] = kMd5InitialState[word];
  }
}

void Md5Transform(Md5Context& context, const unsigned char* block) {
  std::uint32_t words[16];
  for (int i = 0; i < 16; ++i) {
    words[i] = Md5LoadWord(block + 4 * i);
  }
  std::uint32_t a = context.state[0];
  std::uint32_t b = context.state[1];
  std::uint32_t c = context.state[2];
  std::uint32_t d = context.state[3];
  // Four steps per pass rotate the roles of a, b, c and d back to where they started.
  for (int step = 0; step < 16; step += 4) {
    Step<RoundF>(a, b, c, d, words[step], kMd5SineTable[step], 7);
    Step<RoundF>(d, a, b, c, words[step + 1], kMd5SineTable[step + 1], 12);
    Step<RoundF>(c, d, a, b, words[step + 2], kMd5SineTable[step + 2], 17);
    Step<RoundF>(b, c, d, a, words[step + 3], kMd5SineTable[step + 3], 22);
  }
  for (int step = 16; step < 32; step += 4) {
    Step<RoundG>(a, b, c, d, words[(5 * step + 1) % 16], kMd5SineTable[step], 5);
    Step<RoundG>(d, a, b, c, words[(5 * step + 6) % 16], kMd5SineTable[step + 1], 9);
    Step<RoundG>(c, d, a, b, words[(5 * step + 11) % 16], kMd5SineTable[step + 2], 14);
    Step<RoundG>(b, c, d, a, words[(5 * step + 16) % 16], kMd5SineTable[step + 3], 20);
  }
  for (int step = 32; step < 48; step += 4) {
    Step<RoundH>(a, b, c, d, words[(3 * step + 5) % 16], kMd5SineTable[step], 4);
    Step<RoundH>(d, a, b, c, words[(3 * step + 8) % 16], kMd5SineTable[step + 1], 11);
    Step<RoundH>(c, d, a, b, words[(3 * step + 11) % 16], kMd5SineTable[step + 2], 16);
    Step<RoundH>(b, c, d, a, words[(3 * step + 14) % 16], kMd5SineTable[step + 3], 23);
  }
  for (int step = 48; step < 64; step += 4) {
    Step<RoundI>(a, b, c, d, words[(7 * step) % 16], kMd5SineTable[step], 6);
    Step<RoundI>(d, a, b, c, words[(7 * step + 7) % 16], kMd5SineTable[step + 1], 10);
    Step<RoundI>(c, d, a, b, words[(7 * step + 14) % 16], kMd5SineTable[step + 2], 15);
    Step<RoundI>(b, c, d, a, words[(7 * step + 21) % 16], kMd5SineTable[step + 3], 21);
  }
  context.state[0] += a;
  context.state[1] += b;
  context.state[2] += c;
  context.state[3] += d;
}

void Md5Append(Md5Context& context, const void* bytes, std::int32_t count) {
  if (count <= 0) {
    return;
  }
  const unsigned char* input = static_cast<const unsigned char*>(bytes);
  std::size_t remaining = static_cast<std::size_t>(count);
  const std::size_t offset = (context.bitCount[0] >> 3) & 63;

  const std::uint32_t addedBits = static_cast<std::uint32_t>(count) << 3;
  context.bitCount[1] += static_cast<std::uint32_t>(count) >> 29;
  context.bitCount[0] += addedBits;
  if (context.bitCount[0] < addedBits) {
    ++context.bitCount[1];
  }

  if (offset > 0) {
    const std::size_t taken = remaining < 64 - offset ? remaining : 64 - offset;
    std::memcpy(context.buffer + offset, input, taken);
    if (offset + taken < 64) {
      return;
    }
    Md5Transform(context, context.buffer);
    input += taken;
    remaining -= taken;
  }
  for (; remaining >= 64; input += 64, remaining -= 64) {
    Md5Transform(context, input);
  }
  std::memcpy(context.buffer, input, remaining);
}

Fingerprint Md5Finish(Md5Context& context) {
  unsigned char length[8];
  for (int i = 0; i < 4; ++i) {
    length[i] = static_cast<unsigned char>(context.bitCount[0] >> (8 * i));
    length[4 + i] = static_cast<unsigned char>(context.bitCount[1] >> (8 * i));
  }
  const std::int32_t padLength =
      static_cast<std::int32_t>(((55 - (context.bitCount[0] >> 3)) & 63) + 1);
  Md5Append(context, kPadding, padLength);
  Md5Append(context, length, 8);

  Fingerprint digest;
  for (int i = 0; i < 8; ++i) {
    digest.first |= static_cast<std::uint64_t>((context.state[i / 4] >> (8 * (i % 4))) & 0xff)
                    << (8 * i);
    digest.second |= static_cast<std::uint64_t>((context.state[2 + i / 4] >> (8 * (i % 4))) & 0xff)
                     << (8 * i);
  }
  return digest;
}
