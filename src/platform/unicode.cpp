#include "platform/unicode.h"

namespace {

constexpr int kSurrogateBits = 10;
constexpr char32_t kLowBits = 0x3FF;
constexpr char32_t kOneByteLimit = 0x80;
constexpr char32_t kTwoByteLimit = 0x800;
constexpr char32_t kThreeByteLimit = kSupplementaryFirst;
constexpr unsigned kLeadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};  // by the sequence's length
constexpr unsigned kLeadValueMasks[] = {0, 0, 0x1F, 0x0F, 0x07};
constexpr unsigned kContinuationMark = 0x80;
constexpr unsigned kContinuationMask = 0x3F;
constexpr int kContinuationBits = 6;
constexpr char32_t kSmallestOfLength[] = {0, 0, kOneByteLimit, kTwoByteLimit, kThreeByteLimit};

int SequenceLength(unsigned lead) {
  if (lead < kOneByteLimit) {
    return 1;
  }
  for (int length = 2; length <= 4; ++length) {
    if ((lead & ~kLeadValueMasks[length] & 0xFF) == kLeadMarks[length]) {
      return length;
    }
  }
  return 0;
}

}  // namespace

char32_t JoinSurrogates(char32_t high, char32_t low) {
  return kSupplementaryFirst + ((high - kSurrogateFirst) << kSurrogateBits) +
         (low - kLowSurrogateFirst);
}

void SplitSurrogates(char32_t point, char32_t* high, char32_t* low) {
  *high = kSurrogateFirst + ((point - kSupplementaryFirst) >> kSurrogateBits);
  *low = kLowSurrogateFirst + ((point - kSupplementaryFirst) & kLowBits);
}

char32_t TakeUtf16Point(const wchar_t* units, std::size_t size, std::size_t* index) {
  const char32_t unit = static_cast<char16_t>(units[*index]);
  ++*index;
  if (IsHighSurrogate(unit) && *index < size) {
    const char32_t next = static_cast<char16_t>(units[*index]);
    if (IsLowSurrogate(next)) {
      ++*index;
      return JoinSurrogates(unit, next);
    }
  }
  return unit;
}

void AppendUtf8(char32_t point, std::string* bytes) {
  if (point < kOneByteLimit) {
    bytes->push_back(static_cast<char>(point));
    return;
  }
  const int length = point < kTwoByteLimit ? 2 : (point < kThreeByteLimit ? 3 : 4);
  int shift = kContinuationBits * (length - 1);
  bytes->push_back(static_cast<char>(kLeadMarks[length] | (point >> shift)));
  while (shift > 0) {
    shift -= kContinuationBits;
    bytes->push_back(static_cast<char>(kContinuationMark | ((point >> shift) & kContinuationMask)));
  }
}

std::size_t DecodeUtf8(const char* bytes, std::size_t length, bool allowSurrogates,
                       char32_t* point) {
  if (length == 0) {
    return 0;
  }
  const unsigned lead = static_cast<unsigned char>(bytes[0]);
  const int needed = SequenceLength(lead);
  if (needed == 0 || static_cast<std::size_t>(needed) > length) {
    return 0;
  }
  char32_t value = needed == 1 ? lead : (lead & kLeadValueMasks[needed]);
  for (int index = 1; index < needed; ++index) {
    const unsigned next = static_cast<unsigned char>(bytes[index]);
    if ((next & ~kContinuationMask & 0xFF) != kContinuationMark) {
      return 0;
    }
    value = (value << kContinuationBits) | (next & kContinuationMask);
  }
  // Overlong forms and values past Unicode would give a second spelling of one text.
  if ((needed > 1 && value < kSmallestOfLength[needed]) || value > kLastCodePoint ||
      (IsSurrogate(value) && !allowSurrogates)) {
    return 0;
  }
  *point = value;
  return static_cast<std::size_t>(needed);
}
