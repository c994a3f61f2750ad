// How far a long step has gone, on standard error, for a person watching a terminal: checking a
// report of a million files takes minutes on a cold disk, and a silent terminal looks hung.
#pragma once

#include <chrono>

struct Progress {
  const char* format = nullptr;  ///< two numbers, done and total; null: nothing is shown
  long long total = 0;
  long long done = 0;
  bool shown = false;                          ///< a line is on the terminal now
  std::chrono::steady_clock::time_point next;  ///< no line before this
};

/// Starts a step of `total` units, shown through `format` only when standard error is a terminal
/// and, when `besideOutput` is false, standard output is not (its own lines show the way then);
/// the first line comes after a second, so a short step shows none.
Progress StartProgress(const char* format, long long total, bool besideOutput);

/// One unit more done; the line is rewritten at most ten times a second.
void AdvanceProgress(Progress* progress);

/// Takes the line away, so what follows starts on a clean line.
void EndProgress(Progress* progress);
