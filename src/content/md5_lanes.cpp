// MD5 of several short messages side by side: a vector register holds the same word of four or
// eight messages, so that one instruction serves them all. Only the fingerprints' samples come
// here, 512 bytes at most, in batches of many files.
#include "content/md5.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "content/md5_tables.h"

namespace {

// A message of up to kMd5SeveralLimit bytes with its pad and length: at most nine blocks.
constexpr int kBlockLimit = static_cast<int>((kMd5SeveralLimit + 8) / 64 + 1);
constexpr std::size_t kPaddedLimit = static_cast<std::size_t>(kBlockLimit) * 64;
constexpr int kFourLanes = 4;

// One 32-bit word of each message, side by side, in the vector extension GCC and clang share:
// compiled for SSE2 four lanes are one register, for AVX2 eight are; without such registers
// (a processor neither x86 nor of other vectors) the compiler makes the same operations on words.
typedef std::uint32_t FourLanes __attribute__((vector_size(4 * kFourLanes)));
typedef std::uint32_t EightLanes __attribute__((vector_size(4 * kMd5Lanes)));

// The message padded as Md5Finish pads it: 0x80, zeros to 56 modulo 64, the bit count. Returns
// the number of 64-byte blocks.
int PadMessage(const unsigned char* message, std::size_t length, unsigned char* padded) {
  const std::size_t total = ((length + 8) / 64 + 1) * 64;
  std::memcpy(padded, message, length);
  padded[length] = 0x80;
  std::memset(padded + length + 1, 0, total - length - 1);
  const std::uint64_t bits = static_cast<std::uint64_t>(length) * 8;
  for (std::size_t i = 0; i < 8; ++i) {
    padded[total - 8 + i] = static_cast<unsigned char>(bits >> (8 * i));
  }
  return static_cast<int>(total / 64);
}

// The padded messages word by word across the lanes, so that each word of a block loads as one
// vector. A lane whose message has ended, or that has none, holds zeros.
template <typename Lanes>
struct LaidOut {
  Lanes words[kBlockLimit][16];
  Lanes blocks;  ///< each lane's count of blocks
  int mostBlocks = 0;
};

// Everything below is inlined into the function compiled for its registers (always_inline): a
// copy compiled for none would hand the vectors through memory.
template <typename Lanes, int kLanes>
[[gnu::always_inline]] inline void LayOut(const unsigned char* const messages[],
                                          const std::size_t lengths[], int count,
                                          LaidOut<Lanes>& laid) {
  unsigned char padded[kPaddedLimit];
  for (int lane = 0; lane < kLanes; ++lane) {
    const int blocks = lane < count ? PadMessage(messages[lane], lengths[lane], padded) : 0;
    laid.blocks[lane] = static_cast<std::uint32_t>(blocks);
    laid.mostBlocks = std::max(laid.mostBlocks, blocks);
    for (int block = 0; block < blocks; ++block) {
      for (int word = 0; word < 16; ++word) {
        laid.words[block][word][lane] = Md5LoadWord(padded + 64 * block + 4 * word);
      }
    }
  }
  for (int lane = 0; lane < kLanes; ++lane) {
    for (int block = static_cast<int>(laid.blocks[lane]); block < laid.mostBlocks; ++block) {
      for (int word = 0; word < 16; ++word) {
        laid.words[block][word][lane] = 0;
      }
    }
  }
}

// Step `kStep` of Md5Transform on every lane at once. The roles of A, B, C and D rotate by one
// register each step, as Md5Transform's four calls per pass spell out. Every index, constant and
// shift is known when compiling, so each step is a dozen vector instructions, where a loop over
// the 64 steps that chose them as it ran took three times as many: on 40,000 look-alikes of 1 KiB
// the four lanes took 94 million instructions against 238 million (callgrind), 35% of the run's.
template <typename Lanes, int kStep>
[[gnu::always_inline]] inline void LaneStep(Lanes (&state)[4], const Lanes (&words)[16]) {
  constexpr int a = (64 - kStep) % 4;
  constexpr int b = (a + 1) % 4;
  constexpr int c = (a + 2) % 4;
  constexpr int d = (a + 3) % 4;
  Lanes mix;
  int word;
  if constexpr (kStep < 16) {
    mix = state[d] ^ (state[b] & (state[c] ^ state[d]));
    word = kStep;
  } else if constexpr (kStep < 32) {
    mix = state[c] ^ (state[d] & (state[b] ^ state[c]));
    word = (5 * kStep + 1) % 16;
  } else if constexpr (kStep < 48) {
    mix = state[b] ^ state[c] ^ state[d];
    word = (3 * kStep + 5) % 16;
  } else {
    mix = state[c] ^ (state[b] | ~state[d]);
    word = (7 * kStep) % 16;
  }
  constexpr int shift = kMd5Shifts[kStep];
  const Lanes sum = state[a] + mix + kMd5SineTable[kStep] + words[word];
  state[a] = state[b] + ((sum << shift) | (sum >> (32 - shift)));
}

template <typename Lanes, int... kSteps>
[[gnu::always_inline]] inline void LaneSteps(Lanes (&state)[4], const Lanes (&words)[16],
                                             std::integer_sequence<int, kSteps...>) {
  (LaneStep<Lanes, kSteps>(state, words), ...);
}

template <typename Lanes, int kLanes>
[[gnu::always_inline]] inline void SideBySide(const unsigned char* const messages[],
                                              const std::size_t lengths[], int count,
                                              Fingerprint digests[]) {
  LaidOut<Lanes> laid;
  LayOut<Lanes, kLanes>(messages, lengths, count, laid);
  Lanes state[4];
  for (int word = 0; word < 4; ++word) {
    state[word] = Lanes{} + kMd5InitialState[word];
  }
  for (int block = 0; block < laid.mostBlocks; ++block) {
    // A lane whose message has ended computes on zeros and drops the result.
    const Lanes active = (Lanes)(Lanes{} + static_cast<std::uint32_t>(block) < laid.blocks);
    Lanes working[4] = {state[0], state[1], state[2], state[3]};
    LaneSteps(working, laid.words[block], std::make_integer_sequence<int, 64>());
    for (int word = 0; word < 4; ++word) {
      state[word] += working[word] & active;
    }
  }
  for (int lane = 0; lane < count; ++lane) {
    digests[lane].first = static_cast<std::uint64_t>(state[0][lane]) |
                          static_cast<std::uint64_t>(state[1][lane]) << 32;
    digests[lane].second = static_cast<std::uint64_t>(state[2][lane]) |
                           static_cast<std::uint64_t>(state[3][lane]) << 32;
  }
}

#if defined(__x86_64__) || defined(__i386__)
#define DUPSCAN_MD5_X86 1
#else
#define DUPSCAN_MD5_X86 0
#endif

// SSE2 is the floor of x86-64, so there the four lanes need nothing. A 32-bit x86 processor may
// lack it: that build compiles the four lanes for SSE2 apart and runs them only where the
// processor has it, and aligns the stack on entry, which 32-bit Windows aligns to 4 bytes only.
#if defined(__i386__)
#define DUPSCAN_MD5_FOUR_LANES __attribute__((target("sse2"), force_align_arg_pointer))
#else
#define DUPSCAN_MD5_FOUR_LANES
#endif

DUPSCAN_MD5_FOUR_LANES void FourAtOnce(const unsigned char* const messages[],
                                       const std::size_t lengths[], int count,
                                       Fingerprint digests[]) {
  SideBySide<FourLanes, kFourLanes>(messages, lengths, count, digests);
}

#if DUPSCAN_MD5_X86
// Eight lanes where the processor has AVX2, chosen when the program runs so that one program
// serves every x86 processor: eight samples of 512 bytes took 1.72 us against 2.84 in four lanes
// and 6.86 one by one (BM_Md5Several), and on 40,000 look-alikes MD5 went from 6.0 to 3.6 % of
// the run's samples, user+sys from 0.2256 to 0.2201 s (medians of 21 interleaved runs).
__attribute__((target("avx2"))) void EightAtOnce(const unsigned char* const messages[],
                                                 const std::size_t lengths[], int count,
                                                 Fingerprint digests[]) {
  SideBySide<EightLanes, kMd5Lanes>(messages, lengths, count, digests);
}
#endif

Md5Way WidestWay() {
  for (const Md5Way way : {Md5Way::kEightLanes, Md5Way::kFourLanes}) {
    if (Md5WayRuns(way)) {
      return way;
    }
  }
  return Md5Way::kOneByOne;
}

}  // namespace

bool Md5WayRuns(Md5Way way) {
#if DUPSCAN_MD5_X86
  __builtin_cpu_init();  // also when asked before the runtime's own constructors ran
  if (way == Md5Way::kEightLanes) {
    return __builtin_cpu_supports("avx2");  // which also asks the system to keep its registers
  }
#if defined(__i386__)
  if (way == Md5Way::kFourLanes) {
    return __builtin_cpu_supports("sse2");
  }
#endif
#endif
  return way != Md5Way::kEightLanes;
}

void Md5SeveralBy(Md5Way way, const unsigned char* const messages[], const std::size_t lengths[],
                  int count, Fingerprint digests[]) {
#if DUPSCAN_MD5_X86
  if (way == Md5Way::kEightLanes) {
    EightAtOnce(messages, lengths, count, digests);
    return;
  }
#endif
  for (int first = 0; way == Md5Way::kFourLanes && first < count; first += kFourLanes) {
    FourAtOnce(messages + first, lengths + first, std::min(kFourLanes, count - first),
               digests + first);
  }
  for (int lane = 0; way == Md5Way::kOneByOne && lane < count; ++lane) {
    Md5Context context;
    Md5Init(context);
    Md5Append(context, messages[lane], static_cast<std::int32_t>(lengths[lane]));
    digests[lane] = Md5Finish(context);
  }
}

void Md5Several(const unsigned char* const messages[], const std::size_t lengths[], int count,
                Fingerprint digests[]) {
  static const Md5Way widest = WidestWay();
  Md5SeveralBy(widest, messages, lengths, count, digests);
}
