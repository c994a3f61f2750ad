// What the file system under a test's tree can do, for the report's tests that need more than
// files and permissions: files without a name, the attribute flags chattr sets, and ACLs.
#pragma once

#include <filesystem>
#include <string>

/// Whether a file without a name (O_TMPFILE) can be made in `folder`.
bool MakesUnnamedFiles(const std::filesystem::path& folder);

/// Adds (`on`) or takes away the attribute flags `flags` (FS_APPEND_FL, ...) of `path`, as chattr
/// does. Returns 0 or the error code: setting them needs root and a file system that keeps them.
int ChangeAttributeFlags(const std::filesystem::path& path, int flags, bool on);

/// An ACL as Linux keeps it in the extended attribute: the owner may read and write, `reader`
/// (a user number) and the group may read, others nothing; the mode it stands for is 0640.
std::string AclLettingRead(unsigned reader);

/// Sets the access ACL of `path` (or, with `forNewFiles`, a folder's default ACL) to `acl`.
/// Returns 0 or the error code: ENOTSUP where the file system keeps no ACLs.
int SetAcl(const std::filesystem::path& path, const std::string& acl, bool forNewFiles = false);

/// The access ACL of `path`; empty when it has none.
std::string AccessAclOf(const std::filesystem::path& path);

/// Whether the running user's first group holds no one else by the account databases: it lists no
/// member but the user, and no other user has it as their first group (as Debian and Ubuntu give
/// each user a group). The tests' own look, apart from the program's.
bool FirstGroupIsMineAlone();

/// An ext4 file system made with `mkfsOptions` ("-I 128": 128-byte inodes, which stamp whole
/// seconds), mounted from an image in a temporary folder for one test and removed after it: a file
/// system that behaves the same wherever the test runs. Making it needs root, a loop device and
/// mkfs.ext4.
class Ext4Image {
 public:
  explicit Ext4Image(const std::string& mkfsOptions = "");
  ~Ext4Image();
  Ext4Image(const Ext4Image&) = delete;
  Ext4Image& operator=(const Ext4Image&) = delete;

  /// Empty once mounted; otherwise why it could not be, for the skip message.
  const std::string& Unavailable() const { return unavailable_; }
  const std::filesystem::path& root() const { return mountPoint_; }

 private:
  std::filesystem::path image_;
  std::filesystem::path mountPoint_;
  std::string unavailable_;
};
