// What both platforms' file reading shares: the check that an open reached the file listed, and
// the test seam before every open.
#include "platform/readable_file.h"

namespace {
BeforeOpenHook beforeOpenHook = nullptr;
void* beforeOpenContext = nullptr;
ListedFileLookup listedFileLookup = nullptr;
const void* listedFileContext = nullptr;
}  // namespace

void SetListedFileLookup(ListedFileLookup lookup, const void* context) {
  listedFileLookup = lookup;
  listedFileContext = context;
  OnListedFileLookup(lookup != nullptr);
}

bool IsListedFile(const PathChar* path, const FileIdentity& identity) {
  if (listedFileLookup == nullptr) {
    return true;
  }
  const FileIdentity listed = listedFileLookup(listedFileContext, path);
  return !listed.known || SameFile(listed, identity);
}

OpenResult KeepIfListed(const PathChar* path, OpenResult result, ReadableFile* file) {
  if (result == OpenResult::kOpened && !IsListedFile(path, file->state.identity)) {
    CloseFile(file);
    return OpenResult::kFailed;
  }
  return result;
}

void SetBeforeOpenHook(BeforeOpenHook hook, void* context) {
  beforeOpenHook = hook;
  beforeOpenContext = context;
}

void RunBeforeOpenHook(const PathChar* path) {
  if (beforeOpenHook != nullptr) {
    beforeOpenHook(beforeOpenContext, path);
  }
}
