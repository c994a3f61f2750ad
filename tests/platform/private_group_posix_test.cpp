// Write for a group counts as the owner's alone only where no other user can be in the group:
// listed as a member of any entry of its number, by a first group, as a user the accounts'
// listing leaves out, or in a group that is not the owner's first.
#include "platform/private_group_posix.h"

#include <pwd.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t kAlice = 1000;
constexpr std::uint64_t kAlicesGroup = 1000;
constexpr std::uint64_t kStaff = 50;

std::vector<AccountUser> Accounts(std::vector<AccountUser> more = {}) {
  std::vector<AccountUser> users = {{"root", 0, 0}, {"alice", kAlice, kAlicesGroup}};
  users.insert(users.end(), more.begin(), more.end());
  return users;
}

// Alice's group as the databases list it, by entries that each list these members.
std::vector<AccountGroup> Entries(std::vector<std::vector<std::string>> lists = {{}}) {
  std::vector<AccountGroup> groups = {{0, {}}, {kStaff, {}}};
  for (std::vector<std::string>& members : lists) {
    groups.push_back({kAlicesGroup, std::move(members)});
  }
  return groups;
}

TEST(PrivateGroupPosix, OnlyAGroupNoOtherUserCanBeInIsTheOwners) {
  // Debian's and Ubuntu's group of the user: it lists no one, or the user by any of their names.
  EXPECT_TRUE(OnlyOwnerInGroup(kAlice, kAlicesGroup, Entries(), Accounts()));
  EXPECT_TRUE(OnlyOwnerInGroup(kAlice, kAlicesGroup, Entries({{"alice", "al"}}),
                               Accounts({{"al", kAlice, kAlicesGroup}})));
  // Another user in it: listed, by their first group, or by a name the listing does not hold.
  EXPECT_FALSE(
      OnlyOwnerInGroup(kAlice, kAlicesGroup, Entries({{"bob"}}), Accounts({{"bob", 1001, 1001}})));
  EXPECT_FALSE(OnlyOwnerInGroup(kAlice, kAlicesGroup, Entries(), Accounts({{"bob", 1001, 1000}})));
  EXPECT_FALSE(OnlyOwnerInGroup(kAlice, kAlicesGroup, Entries({{"carol"}}), Accounts()));
  // Listed by a second entry of the same number, which getgrgid does not give.
  EXPECT_FALSE(OnlyOwnerInGroup(kAlice, kAlicesGroup, Entries({{}, {"bob"}}),
                                Accounts({{"bob", 1001, 1001}})));
  // A group that is no one's first and lists no one: a login may still be given it.
  EXPECT_FALSE(OnlyOwnerInGroup(kAlice, kStaff, Entries(), Accounts()));
  // A listing without the owner is not the whole of the accounts (a directory service's users).
  EXPECT_FALSE(OnlyOwnerInGroup(kAlice, kAlicesGroup, Entries(), {{"root", 0, 0}}));
  EXPECT_FALSE(OnlyOwnerInGroup(kAlice, kAlicesGroup, Entries(), {}));
}

// The system's accounts are read whole: no other user's first group is this user's alone.
TEST(PrivateGroupPosix, AnotherUsersFirstGroupIsNeverTheOwnersAlone) {
  std::vector<gid_t> othersGroups;
  setpwent();
  while (const struct passwd* user = getpwent()) {
    if (user->pw_uid != geteuid()) {
      othersGroups.push_back(user->pw_gid);
    }
  }
  endpwent();
  if (othersGroups.empty()) {
    GTEST_SKIP() << "the account databases list no other user";
  }
  for (const gid_t group : othersGroups) {
    EXPECT_FALSE(GroupIsOwnersAlone(geteuid(), group)) << group;
  }
}

}  // namespace
