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
