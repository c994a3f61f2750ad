// What both platforms' file reading shares: the test seam before every open.
#include "platform/readable_file.h"

namespace {
BeforeOpenHook beforeOpenHook = nullptr;
void* beforeOpenContext = nullptr;
}  // namespace

void SetBeforeOpenHook(BeforeOpenHook hook, void* context) {
  beforeOpenHook = hook;
  beforeOpenContext = context;
}

void RunBeforeOpenHook(const PathChar* path) {
  if (beforeOpenHook != nullptr) {
    beforeOpenHook(beforeOpenContext, path);
  }
}
