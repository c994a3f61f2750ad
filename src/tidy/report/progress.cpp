#include "tidy/report/progress.h"

#include <cstdio>

#include "platform/terminal.h"
#include "platform/text_output.h"
#include "tidy/tidy_texts.h"

namespace {

constexpr std::chrono::milliseconds kFirstLineAfter{1000};
constexpr std::chrono::milliseconds kLineEvery{100};

}  // namespace

Progress StartProgress(const char* format, long long total, bool besideOutput) {
  Progress progress;
  if (IsTerminal(stderr) && (besideOutput || !IsTerminal(stdout))) {
    progress.format = format;
    progress.total = total;
    progress.next = std::chrono::steady_clock::now() + kFirstLineAfter;
  }
  return progress;
}

void AdvanceProgress(Progress* progress) {
  ++progress->done;
  if (progress->format == nullptr) {
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (now < progress->next) {
    return;
  }
  progress->next = now + kLineEvery;
  TextOutput errors{stderr, 0};
  PrintText(errors, progress->format, progress->done, progress->total);
  std::fflush(stderr);
  progress->shown = true;
}

void EndProgress(Progress* progress) {
  if (progress->shown) {
    TextOutput errors{stderr, 0};
    PrintText(errors, kProgressClearLine, "");
    std::fflush(stderr);
    progress->shown = false;
  }
}
