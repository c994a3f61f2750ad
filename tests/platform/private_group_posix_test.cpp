// Write for a group counts as the owner's alone only where no other user can be in the group:
// listed as a member, by a first group, or as a user the accounts' listing leaves out.
#include "platform/private_group_posix.h"

#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t kAlice = 1000;
constexpr std::uint64_t kAlicesGroup = 1000;

std::vector<AccountUser> Accounts(std::vector<AccountUser> more = {}) {
  std::vector<AccountUser> users = {{"root", 0, 0}, {"alice", kAlice, kAlicesGroup}};
  users.insert(users.end(), more.begin(), more.end());
  return users;
}

TEST(PrivateGroupPosix, OnlyAGroupNoOtherUserCanBeInIsTheOwners) {
  // Debian's and Ubuntu's group of the user: it lists no one, or the user by any of their names.
  EXPECT_TRUE(OnlyOwnerInGroup(kAlice, kAlicesGroup, {}, Accounts()));
  EXPECT_TRUE(OnlyOwnerInGroup(kAlice, kAlicesGroup, {"alice", "al"},
                               Accounts({{"al", kAlice, kAlicesGroup}})));
  // Another user in it: listed, by their first group, or by a name the listing does not hold.
  EXPECT_FALSE(OnlyOwnerInGroup(kAlice, kAlicesGroup, {"bob"}, Accounts({{"bob", 1001, 1001}})));
  EXPECT_FALSE(OnlyOwnerInGroup(kAlice, kAlicesGroup, {}, Accounts({{"bob", 1001, 1000}})));
  EXPECT_FALSE(OnlyOwnerInGroup(kAlice, kAlicesGroup, {"carol"}, Accounts()));
  // A listing without the owner is not the whole of the accounts (a directory service's users).
  EXPECT_FALSE(OnlyOwnerInGroup(kAlice, kAlicesGroup, {}, {{"root", 0, 0}}));
  EXPECT_FALSE(OnlyOwnerInGroup(kAlice, kAlicesGroup, {}, {}));
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
