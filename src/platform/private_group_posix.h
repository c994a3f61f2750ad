// POSIX only: whether a group's write reaches anyone but its owner. Debian and Ubuntu give each
// user a group of their own and a umask of 002, so the user's folders and files are group-writable
// (0775, 0664) though no one else is in that group.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_access.h"

/// A user as the account databases list one: their name, number and first (primary) group.
struct AccountUser {
  std::string name;
  std::uint64_t user = 0;
  std::uint64_t firstGroup = 0;
};

/// A group as the account databases list one: its number and the names of its members.
struct AccountGroup {
  std::uint64_t group = 0;
  std::vector<std::string> members;
};

/// Whether by these facts no user but `owner` can be in `group`: it is the first group of `owner`
/// (a group that is no one's first and lists no one may still be given at login, as pam_group
/// gives groups, or through a group password), no other user has it as their first, and every
/// member that any entry of its number in `groups` lists is a name of `owner`. A listed member no
/// user bears could be a user the list does not hold: not alone.
bool OnlyOwnerInGroup(std::uint64_t owner, std::uint64_t group,
                      const std::vector<AccountGroup>& groups,
                      const std::vector<AccountUser>& users);

/// OnlyOwnerInGroup by the system's account databases, read once for each owner and group in the
/// run. False when the group or the users cannot be read.
bool GroupIsOwnersAlone(std::uint64_t owner, std::uint64_t group);

/// Whether no user but the owner (and the administrator) may write what `access` describes: no
/// write for others, and write for the group only where the group is its owner's alone
/// (GroupIsOwnersAlone) and no access list names other users or groups (with one, the group's
/// bits are its mask). A sticky folder's writers are not judged here. False when not known.
bool OnlyOwnerMayWrite(const FileAccess& access);

/// Whether the write the group's bits give (the group, or with an access list its named users and
/// groups) reaches a user other than the owner.
bool GroupWriteReachesOthers(const FileAccess& access);
