// What both platforms' file reading shares: the test seam before every open.
#include "platform/readable_file.h"

namespace {
BeforeOpenHook beforeOpenHook = nullptr;
}

void SetBeforeOpenHook(BeforeOpenHook hook) { beforeOpenHook = hook; }

void RunBeforeOpenHook(const PathChar* path) {
  if (beforeOpenHook != nullptr) {
    beforeOpenHook(path);
  }
}
