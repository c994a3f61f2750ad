// %NAME% expansion never yields more than kPathCapacity - 1 characters, and what it yields is
// the start of the whole expansion, reference by reference. Input: one byte that repeats the
// values, then NUL-separated parts: the text, then the values of DUPSCAN_FUZZ_A to _D (a part not
// given leaves its variable unset). The seed corpus names the variables in its texts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/environment.h"

namespace {

const char* const kNames[] = {"DUPSCAN_FUZZ_A", "DUPSCAN_FUZZ_B", "DUPSCAN_FUZZ_C",
                              "DUPSCAN_FUZZ_D"};
constexpr std::size_t kVariables = sizeof kNames / sizeof kNames[0];
constexpr std::size_t kRepeatStep = 64;  // a short input still reaches values past the capacity
constexpr std::size_t kLongestValue = 2 * kPathCapacity;

// setenv keeps every text it was ever given (glibc cannot know who still points at it), so a
// long run of large values ran out of memory. putenv uses our own buffer instead, which is
// released only once the environment no longer points at it.
void SetVariable(std::size_t index, const std::string& value) {
  static std::vector<char> entries[kVariables];
  const std::string text = std::string(kNames[index]) + "=" + value;
  std::vector<char> entry(text.begin(), text.end());
  entry.push_back('\0');
  putenv(entry.data());
  entries[index].swap(entry);
}

// The expansion as a reader of the rules would write it: left to right, a set name replaced, an
// unset one or an unpaired % kept, the closing % of an unset name free to open the next one.
// Stops once the text is longer than the capacity, since nothing after that can be kept.
std::string ExpandedStart(const std::string& text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size() && out.size() < kPathCapacity) {
    if (text[i] != '%') {
      out += text[i++];
      continue;
    }
    std::size_t close = i + 1;
    while (close < text.size() && text[close] != '%') {
      ++close;
    }
    if (close == text.size()) {
      out.append(text, i, std::string::npos);
      break;
    }
    const std::string name = text.substr(i + 1, close - i - 1);
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value != nullptr) {
      out += value;
      i = close + 1;
    } else {
      out.append(text, i, close - i);
      i = close;
    }
  }
  return out.substr(0, kPathCapacity - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::size_t repeat = 1 + data[0] * kRepeatStep;
  std::vector<std::string> parts(1);
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0) {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(data[i]);
    }
  }
  for (std::size_t v = 0; v < kVariables; ++v) {
    if (v + 1 < parts.size()) {
      std::string value;
      for (std::size_t r = 0; r < repeat && value.size() < kLongestValue; ++r) {
        value += parts[v + 1];
      }
      SetVariable(v, value);
    } else {
      unsetenv(kNames[v]);
    }
  }

  const PathString expanded = ExpandEnvironment(parts[0]);
  if (expanded.size() > kPathCapacity - 1) {
    std::fprintf(stderr, "expansion of %zu characters, past the capacity of %zu\n", expanded.size(),
                 kPathCapacity - 1);
    std::abort();
  }
  const std::string expected = ExpandedStart(parts[0]);
  if (expanded != expected) {
    std::fprintf(stderr, "expansion differs\nexpected (%zu) \"%s\"\nactual   (%zu) \"%s\"\n",
                 expected.size(), expected.c_str(), expanded.size(), expanded.c_str());
    std::abort();
  }
  return 0;
}
