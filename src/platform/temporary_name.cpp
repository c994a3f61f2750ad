#include "platform/temporary_name.h"

namespace {
constexpr char kSuffixLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
}  // namespace

PathString TemporaryName(const PathChar* name, std::uint64_t seed) {
  // splitmix64's finaliser spreads every bit of the seed over the whole word.
  std::uint64_t state = seed;
  state = (state ^ (state >> 30)) * 0xbf58476d1ce4e5b9ULL;
  state = (state ^ (state >> 27)) * 0x94d049bb133111ebULL;
  state ^= state >> 31;
  PathString temporary = PathString(name) + PATH_TEXT(".");
  constexpr std::uint64_t kLetterCount = sizeof kSuffixLetters - 1;
  for (int letter = 0; letter < kTemporarySuffixLength; ++letter) {
    temporary.push_back(static_cast<PathChar>(kSuffixLetters[state % kLetterCount]));
    state /= kLetterCount;
  }
  return temporary;
}
