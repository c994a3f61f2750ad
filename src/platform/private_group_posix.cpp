// POSIX: a group's listed members from getgrgid_r and getgrent_r, every user's first group from
// getpwent_r.
#include "platform/private_group_posix.h"

#include <errno.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <map>
#include <utility>

namespace {

constexpr std::size_t kFirstBufferSize = 4096;

// Calls `take` with each entry `next` (getpwent_r, getgrent_r) reads after `start`; false unless
// the listing ran to its end.
template <typename Entry, typename Next, typename Take>
bool EachEntry(void (*start)(), void (*end)(), Next next, Take take) {
  std::vector<char> buffer(kFirstBufferSize);
  int result = 0;
  start();
  for (;;) {
    Entry entry;
    Entry* found = nullptr;
    result = next(&entry, buffer.data(), buffer.size(), &found);
    if (result == ERANGE) {  // the entry is read again into the larger buffer
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (result != 0 || found == nullptr) {
      break;
    }
    take(entry);
  }
  end();
  return result == ENOENT;
}

AccountGroup GroupOf(const struct group& entry) {
  AccountGroup group{entry.gr_gid, {}};
  for (char** member = entry.gr_mem; *member != nullptr; ++member) {
    group.members.emplace_back(*member);
  }
  return group;
}

// The entry getgrgid finds (a directory service may list no group to getgrent) and every entry
// the listing holds of the same number; false unless both are read whole.
bool EntriesOf(gid_t group, std::vector<AccountGroup>* groups) {
  std::vector<char> buffer(kFirstBufferSize);
  struct group entry;
  struct group* found = nullptr;
  int result = 0;
  while ((result = getgrgid_r(group, &entry, buffer.data(), buffer.size(), &found)) == ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  if (result != 0 || found == nullptr) {
    return false;
  }
  groups->push_back(GroupOf(entry));
  return EachEntry<struct group>(setgrent, endgrent, getgrent_r, [&](const struct group& listed) {
    if (listed.gr_gid == group) {
      groups->push_back(GroupOf(listed));
    }
  });
}

// Every user the databases list; false unless the listing ran to its end.
bool EveryUser(std::vector<AccountUser>* users) {
  return EachEntry<struct passwd>(setpwent, endpwent, getpwent_r, [&](const struct passwd& user) {
    users->push_back({user.pw_name, user.pw_uid, user.pw_gid});
  });
}

bool AskAccounts(std::uint64_t owner, std::uint64_t group) {
  std::vector<AccountGroup> groups;
  std::vector<AccountUser> users;
  return EntriesOf(static_cast<gid_t>(group), &groups) && EveryUser(&users) &&
         OnlyOwnerInGroup(owner, group, groups, users);
}

// The members every entry of the number lists: /etc/group may hold two entries of one number
// (groupadd -o), getgrgid gives the first alone, and a login is given the number of every entry
// that lists the user.
std::vector<std::string> MembersOf(std::uint64_t number, const std::vector<AccountGroup>& groups) {
  std::vector<std::string> members;
  for (const AccountGroup& group : groups) {
    if (group.group == number) {
      members.insert(members.end(), group.members.begin(), group.members.end());
    }
  }
  return members;
}

}  // namespace

bool OnlyOwnerInGroup(std::uint64_t owner, std::uint64_t group,
                      const std::vector<AccountGroup>& groups,
                      const std::vector<AccountUser>& users) {
  bool ownersFirst = false;
  for (const AccountUser& user : users) {
    if (user.user == owner) {
      ownersFirst = ownersFirst || user.firstGroup == group;
    } else if (user.firstGroup == group) {
      return false;
    }
  }
  for (const std::string& member : MembersOf(group, groups)) {
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
  return ownersFirst;
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
