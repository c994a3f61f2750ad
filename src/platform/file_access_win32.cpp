// Windows: owners and access lists are not compared here; the access stays unknown, so nothing
// is refused for it.
#include "platform/file_access.h"

bool AccessOf(const ReadableFile& /*file*/, FileAccess* access) {
  access->known = false;
  return true;
}

bool OnlyOwnerMayChange(const HeldFolder& /*folder*/) { return true; }

bool FolderAccessOf(const HeldFolder& /*folder*/, FileAccess* access) {
  access->known = false;
  return true;
}

bool MoreMayWrite(const FileAccess& /*access*/, const FileAccess& /*than*/,
                  std::uint64_t /*owner*/) {
  return false;
}

LeaseResult TakeReadLease(const ReadableFile& /*file*/) { return LeaseResult::kUnsupported; }

bool LeaseUnbroken(const ReadableFile& /*file*/) { return true; }
