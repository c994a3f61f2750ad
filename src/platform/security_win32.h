// Windows only: who owns a file or folder and whom its access list lets change it, read from an
// open handle, for dupscan-tidy's checks of who may read or write what it joins or writes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>

#include "platform/path_text.h"

/// A file's or folder's owner and access list, as bytes that compare equal when they say the same.
struct Security {
  std::string owner;  ///< the owner's SID
  /// Each entry of the access list, in order. With no list at all (`unrestricted`) empty.
  std::string entries;
  bool unrestricted = false;  ///< no access list: everyone may do anything
};

/// What lets a user change a file: write its bytes, remove or rename it, or give themselves that.
constexpr DWORD kFileChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC |
                                    WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
/// What lets a user change a folder: add, remove or rename its entries, or give themselves that.
constexpr DWORD kFolderChangeRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD |
                                      DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                      GENERIC_ALL;

/// The owner and access list of what `handle` is open on; it needs READ_CONTROL. False when the
/// system would not say.
bool SecurityOf(HANDLE handle, Security* security);

/// The handle `path` (a folder or a file, never through a link) opened to read its owner and
/// access list, shared with every other open; INVALID_HANDLE_VALUE when it cannot be.
HANDLE OpenToReadSecurity(const PathString& path);

/// The SID of a well-known account or group; empty when the system would not make it.
std::string WellKnownSid(WELL_KNOWN_SID_TYPE type);

/// A digest of the SID `sid`, the same for the same SID in every run.
std::uint64_t SidDigest(const std::string& sid);

/// The SIDs to whom an entry of the list that applies to the object itself allows any of
/// `rights`; one that cannot be read is the empty string, someone unknown. With no list at all,
/// everyone (S-1-1-0).
std::set<std::string> AllowedAny(const std::string& entries, bool unrestricted, DWORD rights);

/// Whether an entry of the list that applies to the object itself denies any of `rights`.
bool DeniesAny(const std::string& entries, DWORD rights);

/// Whether `sid` is the system's own account or the Administrators group, who may change anything.
bool IsAdministration(const std::string& sid);

/// Whether `sid` is this process's user, or the owner it gives what it makes (an administrator's
/// new files belong to the Administrators group).
bool IsThisUser(const std::string& sid);

/// Whether no user but the owner, this user and the administration may change it, by `rights`
/// (kFileChangeRights or kFolderChangeRights), and its owner is this user or the administration.
bool OnlyOwnOrAdministrationMayChange(const Security& security, DWORD rights);
