// The MD5 message digest of RFC 1321, computed incrementally.
#pragma once

#include <cstddef>
#include <cstdint>

#include "content/fingerprint.h"

struct Md5Context {
  std::uint32_t bitCount[2];  ///< message bits so far, modulo 2^64, low word first
  std::uint32_t state[4];     ///< chaining values A, B, C, D
  unsigned char
      buffer[64];  ///< bytes of the block not yet complete: (bitCount[0] / 8) % 64 of them
};

/// Starts a new message. The buffer is left as it is.
void Md5Init(Md5Context& context);

/// Appends `count` bytes to the message; a count of 0 or less does nothing.
void Md5Append(Md5Context& context, const void* bytes, std::int32_t count);

/// Pads the message and returns its digest. The context is not reset.
Fingerprint Md5Finish(Md5Context& context);

/// The compression of one 64-byte block into the state.
void Md5Transform(Md5Context& context, const unsigned char* block);

/// The most messages Md5Several takes at once, and the longest message it takes.
constexpr int kMd5Lanes = 8;
constexpr std::size_t kMd5SeveralLimit = 512;

/// How Md5Several computes: one message after another, or four or eight side by side in vector
/// registers (SSE2 and AVX2 on x86).
enum class Md5Way { kOneByOne, kFourLanes, kEightLanes };

/// Whether this processor runs `way`. kOneByOne runs everywhere.
bool Md5WayRuns(Md5Way way);

/// The digests of `count` messages (1 to kMd5Lanes) of at most kMd5SeveralLimit bytes each,
/// each equal to Md5Init, Md5Append of the message and Md5Finish, computed the widest way this
/// processor runs.
void Md5Several(const unsigned char* const messages[], const std::size_t lengths[], int count,
                Fingerprint digests[]);

/// Md5Several computed by `way`, which must run here.
void Md5SeveralBy(Md5Way way, const unsigned char* const messages[], const std::size_t lengths[],
                  int count, Fingerprint digests[]);
