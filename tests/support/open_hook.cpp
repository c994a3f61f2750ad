#include "support/open_hook.h"

#include <utility>

#include "platform/readable_file.h"

namespace {

void CallOnOpen(void* context, const PathChar* path) {
  (*static_cast<std::function<void(const PathChar*)>*>(context))(path);
}

}  // namespace

OpenHook::OpenHook(std::function<void(const PathChar* path)> onOpen) : onOpen_(std::move(onOpen)) {
  SetBeforeOpenHook(CallOnOpen, &onOpen_);
}

OpenHook::~OpenHook() { SetBeforeOpenHook(nullptr, nullptr); }
