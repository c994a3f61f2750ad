// The opens for reading that the program makes, met through the platform's seam before each.
#pragma once

#include <functional>

#include "platform/path_text.h"

/// While it lives, `onOpen` is called with the path before every open for reading. What a test
/// counts or plans for those opens lives in what `onOpen` captures.
class OpenHook {
 public:
  explicit OpenHook(std::function<void(const PathChar* path)> onOpen);
  ~OpenHook();
  OpenHook(const OpenHook&) = delete;
  OpenHook& operator=(const OpenHook&) = delete;

 private:
  std::function<void(const PathChar* path)> onOpen_;
};
