// POSIX: a group's listed members from getgrgid_r, every user's first group from getpwent_r.
#include "platform/private_group_posix.h"

#include <errno.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <map>
#include <utility>

namespace {

constexpr std::size_t kFirstBufferSize = 4096;

bool ListedMembers(gid_t group, std::vector<std::string>* members) {
  std::vector<char> buffer(kFirstBufferSize);
  for (;;) {
    struct group entry;
    struct group* found = nullptr;
    const int result = getgrgid_r(group, &entry, buffer.data(), buffer.size(), &found);
    if (result == ERANGE) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (result != 0 || found == nullptr) {
      return false;
    }
    for (char** member = entry.gr_mem; *member != nullptr; ++member) {
      members->emplace_back(*member);
    }
    return true;
  }
}

// Every user the databases list; false unless the listing ran to its end.
bool EveryUser(std::vector<AccountUser>* users) {
  std::vector<char> buffer(kFirstBufferSize);
  int result = 0;
  setpwent();
  for (;;) {
    struct passwd entry;
    struct passwd* found = nullptr;
    result = getpwent_r(&entry, buffer.data(), buffer.size(), &found);
    if (result == ERANGE) {  // the entry is read again into the larger buffer
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (result != 0 || found == nullptr) {
      break;
    }
    users->push_back({entry.pw_name, entry.pw_uid, entry.pw_gid});
  }
  endpwent();
  return result == ENOENT;
}

bool AskAccounts(std::uint64_t owner, std::uint64_t group) {
  std::vector<std::string> members;
  std::vector<AccountUser> users;
  return ListedMembers(static_cast<gid_t>(group), &members) && EveryUser(&users) &&
         OnlyOwnerInGroup(owner, group, members, users);
}

}  // namespace

bool OnlyOwnerInGroup(std::uint64_t owner, std::uint64_t group,
                      const std::vector<std::string>& members,
                      const std::vector<AccountUser>& users) {
  bool ownerListed = false;
  for (const AccountUser& user : users) {
    if (user.user == owner) {
      ownerListed = true;
    } else if (user.firstGroup == group) {
      return false;
    }
  }
  for (const std::string& member : members) {
    bool named = false;
    for (const AccountUser& user : users) {
      if (user.name == member) {
        if (user.user != owner) {
          return false;
        }
        named = true;
      }
    }
    if (!named) {
      return false;
    }
  }
  return ownerListed;
}

// Remembered: a move asks for each holding folder, a removal for each pair's folders, and the
// listing of every user is long where a directory service lists them. dupscan-tidy asks from one
// thread.
bool GroupIsOwnersAlone(std::uint64_t owner, std::uint64_t group) {
  static std::map<std::pair<std::uint64_t, std::uint64_t>, bool> known;
  const auto key = std::make_pair(owner, group);
  const auto found = known.find(key);
  if (found != known.end()) {
    return found->second;
  }
  const bool alone = AskAccounts(owner, group);
  known.emplace(key, alone);
  return alone;
}

bool GroupWriteReachesOthers(const FileAccess& access) {
  return (access.mode & S_IWGRP) != 0 &&
         !(access.accessList.empty() && GroupIsOwnersAlone(access.owner, access.group));
}

bool OnlyOwnerMayWrite(const FileAccess& access) {
  return access.known && (access.mode & S_IWOTH) == 0 && !GroupWriteReachesOthers(access);
}
