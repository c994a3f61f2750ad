// What Windows-only tests need to ask the system, kept out of the tests themselves.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/path_text.h"

/// The ANSI code page this process runs under; the programs it starts inherit it.
unsigned AnsiCodePage();

/// Empty when this process runs under the ANSI code page that DUPSCAN_TEST_CODE_PAGE names (CTest
/// sets it beside LC_ALL), or when none is named; else why not, for a skip message.
std::string CodePageMismatch();

/// A new screen buffer of this process's console, open as a text stream for writing; null when
/// the process has no console (wine gives none to a program started without a terminal).
std::FILE* OpenConsoleScreen();

/// The characters on line `row` of the screen buffer behind `screen`, without trailing blanks.
std::wstring ConsoleScreenLine(std::FILE* screen, int row);

/// The two kinds of link that Windows puts in a folder's place.
enum class FolderLinkKind { kSymbolicLink, kJunction };

/// Makes `link` a link of that kind to the folder `target`. Returns "" when it is made, else why
/// not, for a skip message: a symbolic link needs developer mode or an administrator, and wine 8
/// makes neither kind.
std::string MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target,
                           FolderLinkKind kind);

/// `path` with each of its names in the 8.3 form where the volume keeps one; `path` itself where
/// it keeps none.
std::filesystem::path ShortPath(const std::filesystem::path& path);

/// A free drive letter mapped to a folder for as long as this object lives: DefineDosDeviceW on
/// Windows, and under wine, which accepts that call but resolves drives through its own
/// dosdevices links, wine's mount manager, as its configuration tool adds a drive.
class MappedDrive {
 public:
  explicit MappedDrive(const std::filesystem::path& folder);
  ~MappedDrive();
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;

  /// The drive's root, "Y:\"; empty when no letter could be mapped.
  std::filesystem::path Root() const;
  /// Why no letter could be mapped, for a skip message; empty when one was.
  const std::string& Unavailable() const { return unavailable_; }

 private:
  wchar_t letter_ = 0;
  bool throughWine_ = false;
  std::wstring target_;
  std::string unavailable_;
};

/// Makes `link` a symbolic link to the file `target`. False when no link results (creating links
/// needs developer mode or an administrator; Wine reports success and makes none).
bool MakeFileLink(const std::filesystem::path& link, const std::filesystem::path& target);

/// Makes `path` a file of `size` zero bytes, sparse where the file system allows, so that it
/// takes no room on the disk.
void MakeSparseFile(const std::filesystem::path& path, std::uint64_t size);

/// The attributes a test gives a file.
enum class FileAttribute { ReadOnly, Hidden, System };

/// Gives `path` the attribute. False when it does not stick (Wine keeps "hidden" only for names
/// that begin with a dot).
bool AddFileAttribute(const std::filesystem::path& path, FileAttribute attribute);

/// Every attribute of `path` as the system reports them, to compare before and after.
std::uint32_t FileAttributes(const std::filesystem::path& path);

/// Takes every attribute from `path`, so that it can be removed.
void ClearFileAttributes(const std::filesystem::path& path);

/// `path` in the "\\?\" form, which reaches past MAX_PATH on every Windows.
std::filesystem::path Verbatim(const std::filesystem::path& path);

/// Who a test lets change a file or a folder through its access list.
enum class Openness { kOwnerAlone, kEveryone };

/// Gives `path` an access list of its own: every right to the system and this user, and with
/// kEveryone to everyone too. False when the system refuses it.
bool SetAccessList(const std::filesystem::path& path, Openness openness);

/// Gives `path` to another user (the anonymous one). Returns "" when another user owns it now, else
/// why not, for a skip message. Windows lets only an administrator name another owner; wine keeps
/// no owner it is given but shows the Linux file's, so under wine a Linux chown does it, as root.
std::string GiveToAnotherUser(const std::filesystem::path& path);
