// Windows: owners and access lists through GetSecurityInfo, their entries read as the bytes the
// system keeps.
#include "platform/security_win32.h"

#include <aclapi.h>

#include <cstring>

namespace {

std::string SidBytes(PSID sid) {
  return std::string(static_cast<const char*>(sid), GetLengthSid(sid));
}

// The user the process runs as, and the owner its token gives what it makes.
std::set<std::string> ThisUser() {
  std::set<std::string> sids;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return sids;
  }
  alignas(8) char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
    sids.insert(SidBytes(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid));
  }
  if (GetTokenInformation(token, TokenOwner, buffer, sizeof buffer, &size)) {
    sids.insert(SidBytes(reinterpret_cast<TOKEN_OWNER*>(buffer)->Owner));
  }
  CloseHandle(token);
  return sids;
}

struct Entry {
  BYTE type = 0;
  BYTE flags = 0;
  DWORD mask = 0;
  std::string sid;  ///< empty for an entry of a kind that names no SID where these do
};

// The entry at `offset` of `entries`, and its size; 0 when what is there is no whole entry.
std::size_t ReadEntry(const std::string& entries, std::size_t offset, Entry* entry) {
  ACE_HEADER header;
  if (entries.size() - offset < sizeof header) {
    return 0;
  }
  std::memcpy(&header, entries.data() + offset, sizeof header);
  if (header.AceSize < sizeof header || header.AceSize > entries.size() - offset) {
    return 0;
  }
  entry->type = header.AceType;
  entry->flags = header.AceFlags;
  entry->sid.clear();
  // An allowed or denied entry: the header, the mask, then the SID.
  constexpr std::size_t kSidStart = sizeof header + sizeof(DWORD);
  if (header.AceSize >= kSidStart + 8) {
    std::memcpy(&entry->mask, entries.data() + offset + sizeof header, sizeof(DWORD));
    const std::size_t sidSize =
        8 + std::size_t{4} * static_cast<unsigned char>(entries[offset + kSidStart + 1]);
    if (sidSize <= header.AceSize - kSidStart) {
      entry->sid = entries.substr(offset + kSidStart, sidSize);
    }
  }
  return header.AceSize;
}

// Calls `visit` with each entry that applies to the object itself (not one only passed on to what
// is made in a folder); false when the list cannot be read whole.
template <typename Visit>
bool EachEntry(const std::string& entries, Visit visit) {
  for (std::size_t offset = 0; offset < entries.size();) {
    Entry entry;
    const std::size_t size = ReadEntry(entries, offset, &entry);
    if (size == 0) {
      return false;
    }
    if ((entry.flags & INHERIT_ONLY_ACE) == 0) {
      visit(entry);
    }
    offset += size;
  }
  return true;
}

bool Denies(BYTE type) {
  return type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_DENIED_OBJECT_ACE_TYPE ||
         type == ACCESS_DENIED_CALLBACK_ACE_TYPE || type == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE;
}

}  // namespace

bool SecurityOf(HANDLE handle, Security* security) {
  PSID owner = nullptr;
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT,
                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                      &list, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool known = owner != nullptr && IsValidSid(owner);
  if (known) {
    security->owner = SidBytes(owner);
    security->unrestricted = list == nullptr;
    security->entries.clear();
    for (DWORD index = 0; list != nullptr && index < list->AceCount; ++index) {
      void* entry = nullptr;
      if (GetAce(list, index, &entry)) {
        security->entries.append(static_cast<const char*>(entry),
                                 static_cast<const ACE_HEADER*>(entry)->AceSize);
      }
    }
  }
  LocalFree(descriptor);
  return known;
}

std::string WellKnownSid(WELL_KNOWN_SID_TYPE type) {
  char buffer[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof buffer;
  return CreateWellKnownSid(type, nullptr, buffer, &size) ? std::string(buffer, size)
                                                          : std::string();
}

HANDLE OpenToReadSecurity(const PathString& path) {
  return CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// FNV-1a: stable across runs and builds, and a collision between two owners of one group's files
// is not to be met in practice.
std::uint64_t SidDigest(const std::string& sid) {
  std::uint64_t digest = 14695981039346656037ull;
  for (const char character : sid) {
    digest = (digest ^ static_cast<unsigned char>(character)) * 1099511628211ull;
  }
  return digest;
}

std::set<std::string> AllowedAny(const std::string& entries, bool unrestricted, DWORD rights) {
  std::set<std::string> sids;
  if (unrestricted) {
    sids.insert(WellKnownSid(WinWorldSid));
  }
  // OWNER RIGHTS names whoever owns the object, who is compared as its owner.
  static const std::string ownerRights = WellKnownSid(WinCreatorOwnerRightsSid);
  const bool whole = EachEntry(entries, [&](const Entry& entry) {
    const bool plain = entry.type == ACCESS_ALLOWED_ACE_TYPE && !entry.sid.empty();
    if (!Denies(entry.type) &&
        (!plain || ((entry.mask & rights) != 0 && entry.sid != ownerRights))) {
      sids.insert(plain ? entry.sid : std::string());
    }
  });
  if (!whole) {
    sids.insert(std::string());
  }
  return sids;
}

bool DeniesAny(const std::string& entries, DWORD rights) {
  bool denies = false;
  const bool whole = EachEntry(entries, [&](const Entry& entry) {
    denies = denies || (Denies(entry.type) && (entry.sid.empty() || (entry.mask & rights) != 0));
  });
  return denies || !whole;
}

bool IsAdministration(const std::string& sid) {
  static const std::string system = WellKnownSid(WinLocalSystemSid);
  static const std::string administrators = WellKnownSid(WinBuiltinAdministratorsSid);
  return !sid.empty() && (sid == system || sid == administrators);
}

bool IsThisUser(const std::string& sid) {
  static const std::set<std::string> user = ThisUser();
  return user.count(sid) != 0;
}

bool OnlyOwnOrAdministrationMayChange(const Security& security, DWORD rights) {
  if (!IsThisUser(security.owner) && !IsAdministration(security.owner)) {
    return false;
  }
  for (const std::string& sid : AllowedAny(security.entries, security.unrestricted, rights)) {
    if (sid != security.owner && !IsThisUser(sid) && !IsAdministration(sid)) {
      return false;
    }
  }
  return true;
}
