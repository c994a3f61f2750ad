// Windows: the owner and access list from the security descriptor of the open handle, the
// read-only attribute as the mode. The owner is a digest of its SID. No group is compared:
// Windows grants nothing through a file's primary group. A hard link shares one descriptor, so
// a link between files whose descriptors differ would change the copy's.
#include "platform/file_access.h"

#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/file_state_win32.h"
#include "platform/held_folder_win32.h"
#include "platform/security_win32.h"

namespace {

// The access list as FileAccess keeps it: a mark for none at all (everyone may do anything) or
// for a list, then its entries.
constexpr char kUnrestricted = 'N';
constexpr char kListed = 'L';

void Describe(const Security& security, FileAccess* access) {
  access->owner = SidDigest(security.owner);
  access->group = 0;
  access->accessList = (security.unrestricted ? kUnrestricted : kListed) + security.entries;
  access->known = true;
}

std::string Entries(const FileAccess& access) { return access.accessList.substr(1); }

DWORD ChangeRights(const FileAccess& access) {
  return access.folder ? kFolderChangeRights : kFileChangeRights;
}

// The SIDs besides its owner and the administration whom the list lets change it.
std::set<std::string> OthersWhoMayChange(const FileAccess& access) {
  std::set<std::string> sids =
      AllowedAny(Entries(access), access.accessList.front() == kUnrestricted, ChangeRights(access));
  for (auto sid = sids.begin(); sid != sids.end();) {
    const bool own = !sid->empty() && (SidDigest(*sid) == access.owner || IsAdministration(*sid));
    sid = own ? sids.erase(sid) : std::next(sid);
  }
  return sids;
}

bool AdministrationOwns(std::uint64_t owner) {
  static const std::uint64_t system = SidDigest(WellKnownSid(WinLocalSystemSid));
  static const std::uint64_t administrators = SidDigest(WellKnownSid(WinBuiltinAdministratorsSid));
  return owner == system || owner == administrators;
}

// A ReadableFile reads through the C runtime's stream over the handle.
HANDLE StreamHandle(const ReadableFile& file) {
  return reinterpret_cast<HANDLE>(
      _get_osfhandle(_fileno(reinterpret_cast<std::FILE*>(file.handle))));
}

// A held folder cannot be renamed or replaced, so its path names it; its identity says so too.
bool FolderSecurity(const HeldFolder& folder, Security* security) {
  const HANDLE handle = OpenToReadSecurity(folder.systemPath);
  if (handle == INVALID_HANDLE_VALUE) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION information;
  const bool read = GetFileInformationByHandle(handle, &information) && !folder.chain.empty() &&
                    IdentityOf(information) == folder.chain.back() && SecurityOf(handle, security);
  CloseHandle(handle);
  return read;
}

}  // namespace

bool AccessOf(const ReadableFile& file, FileAccess* access) {
  Security security;
  if (!SecurityOf(StreamHandle(file), &security)) {
    return false;
  }
  Describe(security, access);
  access->mode = file.state.readOnly ? FILE_ATTRIBUTE_READONLY : 0;
  access->folder = false;
  return true;
}

bool OnlyOwnerMayChange(const HeldFolder& folder) {
  Security security;
  return FolderSecurity(folder, &security) &&
         OnlyOwnOrAdministrationMayChange(security, kFolderChangeRights);
}

// Opened for its owner and access list alone, never through a link; a file has no other
// attributes to compare here, so every detail asks the same.
bool EntryAccessOf(const HeldFolder& folder, const PathString& name, AccessDetail detail,
                   FileAccess* access) {
  if (detail == AccessDetail::kNone) {
    return false;
  }
  const HANDLE handle = OpenToReadSecurity(EntryPath(folder, name));
  if (handle == INVALID_HANDLE_VALUE) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION information;
  Security security;
  const bool read = GetFileInformationByHandle(handle, &information) &&
                    (information.dwFileAttributes &
                     (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
                    OpenedAsEntry(folder, handle, name) && SecurityOf(handle, &security);
  CloseHandle(handle);
  if (read) {
    Describe(security, access);
    access->mode = information.dwFileAttributes & FILE_ATTRIBUTE_READONLY;
    access->folder = false;
  }
  return read;
}

bool FolderAccessOf(const HeldFolder& folder, FileAccess* access) {
  Security security;
  if (!FolderSecurity(folder, &security)) {
    return false;
  }
  Describe(security, access);
  access->mode = 0;
  access->folder = true;
  return true;
}

// An entry that denies a right of change may take it from the very users another grants it to:
// `than` with one is taken to let no one else change it, so nothing it denies is counted twice.
bool MoreMayWrite(const FileAccess& access, const FileAccess& than, std::uint64_t owner) {
  if (!access.known || !than.known) {
    return false;
  }
  if (access.owner != than.owner && access.owner != owner && !AdministrationOwns(access.owner)) {
    return true;
  }
  std::set<std::string> granted = OthersWhoMayChange(than);
  if (DeniesAny(Entries(than), ChangeRights(than))) {
    granted.clear();
  }
  if (granted.count(WellKnownSid(WinWorldSid)) != 0) {
    return false;  // everyone may change `than` already
  }
  for (const std::string& sid : OthersWhoMayChange(access)) {
    if (sid.empty() || granted.count(sid) == 0) {
      return true;
    }
  }
  return false;
}

LeaseResult TakeReadLease(const ReadableFile& /*file*/) { return LeaseResult::kUnsupported; }

bool LeaseUnbroken(const ReadableFile& /*file*/) { return true; }
