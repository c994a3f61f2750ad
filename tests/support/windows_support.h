// What Windows-only tests need to ask the system, kept out of the tests themselves.
#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/path_text.h"

/// True when neither the ANSI nor the OEM code page of this system (nor the console's, when
/// there is one) can represent any character of `text`, so that each must come out as '?'.
bool CodePagesLackEvery(const PathString& text);

/// Makes `link` a symbolic link to the folder `target`. False when the system refuses (creating
/// links needs developer mode or an administrator).
bool MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target);

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
