#include "support/file_system_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <system_error>

namespace {

// The layout of Linux's ACL attribute: a version, then entries of a tag, permissions and an id,
// in the order of their tags.
constexpr std::uint32_t kAclVersion = 2;
constexpr std::uint16_t kOwner = 0x01, kUser = 0x02, kOwningGroup = 0x04, kMask = 0x10,
                        kOthers = 0x20;
constexpr std::uint16_t kRead = 4, kReadWrite = 6, kNothing = 0;
constexpr std::uint32_t kNoId = 0xffffffff;

template <typename Number>
void Append(std::string* bytes, Number number) {
  bytes->append(reinterpret_cast<const char*>(&number), sizeof number);
}

void AppendEntry(std::string* bytes, std::uint16_t tag, std::uint16_t permissions,
                 std::uint32_t id) {
  Append(bytes, tag);
  Append(bytes, permissions);
  Append(bytes, id);
}

}  // namespace

bool MakesUnnamedFiles(const std::filesystem::path& folder) {
  const int descriptor = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (descriptor < 0) {
    return false;
  }
  close(descriptor);
  return true;
}

int ChangeAttributeFlags(const std::filesystem::path& path, int flags, bool on) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) {
    return errno;
  }
  int current = 0;
  int errorCode = ioctl(descriptor, FS_IOC_GETFLAGS, &current) == 0 ? 0 : errno;
  if (errorCode == 0) {
    current = on ? (current | flags) : (current & ~flags);
    errorCode = ioctl(descriptor, FS_IOC_SETFLAGS, &current) == 0 ? 0 : errno;
  }
  close(descriptor);
  return errorCode;
}

std::string AclLettingRead(unsigned reader) {
  std::string acl;
  Append(&acl, kAclVersion);
  AppendEntry(&acl, kOwner, kReadWrite, kNoId);
  AppendEntry(&acl, kUser, kRead, reader);
  AppendEntry(&acl, kOwningGroup, kRead, kNoId);
  AppendEntry(&acl, kMask, kRead, kNoId);
  AppendEntry(&acl, kOthers, kNothing, kNoId);
  return acl;
}

int SetAcl(const std::filesystem::path& path, const std::string& acl, bool forNewFiles) {
  const char* name = forNewFiles ? "system.posix_acl_default" : "system.posix_acl_access";
  return setxattr(path.c_str(), name, acl.data(), acl.size(), 0) == 0 ? 0 : errno;
}

std::string AccessAclOf(const std::filesystem::path& path) {
  std::string acl(4096, '\0');
  const ssize_t size = getxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size());
  acl.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  return acl;
}

bool FirstGroupIsMineAlone() {
  const struct passwd* me = getpwuid(geteuid());
  const struct group* group = getgrgid(getegid());
  if (me == nullptr || group == nullptr) {
    return false;
  }
  const std::string myName = me->pw_name;
  for (char** member = group->gr_mem; *member != nullptr; ++member) {
    if (myName != *member) {
      return false;
    }
  }
  bool alone = true;
  setpwent();
  while (const struct passwd* user = getpwent()) {
    alone = alone && (user->pw_uid == geteuid() || user->pw_gid != getegid());
  }
  endpwent();
  return alone;
}

Ext4Image::Ext4Image(const std::string& mkfsOptions) {
  if (geteuid() != 0) {
    unavailable_ = "mounting a file system image needs root";
    return;
  }
  std::error_code error;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("dupscan-ext4-" + std::to_string(getpid()));
  image_ = folder / "image";
  mountPoint_ = folder / "mounted";
  std::filesystem::create_directories(mountPoint_, error);
  const std::string quiet = " >/dev/null 2>&1";
  if (error || std::system(("truncate -s 16M '" + image_.string() + "'" + quiet).c_str()) != 0 ||
      std::system(
          ("mkfs.ext4 -q -F " + mkfsOptions + " '" + image_.string() + "'" + quiet).c_str()) != 0) {
    unavailable_ = "cannot make an ext4 image (mkfs.ext4 " + mkfsOptions + ") here";
  } else if (std::system(
                 ("mount -o loop '" + image_.string() + "' '" + mountPoint_.string() + "'" + quiet)
                     .c_str()) != 0) {
    unavailable_ = "cannot mount a file system image on a loop device here";
  }
  if (!unavailable_.empty()) {
    std::filesystem::remove_all(folder, error);
  }
}

Ext4Image::~Ext4Image() {
  if (unavailable_.empty()) {
    // The command, not umount2: <sys/mount.h> and <linux/fs.h> define the same names.
    std::system(("umount -l '" + mountPoint_.string() + "'").c_str());
    std::error_code error;
    std::filesystem::remove_all(mountPoint_.parent_path(), error);
  }
}
