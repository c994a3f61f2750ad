// What Windows-only tests need to ask the system, kept out of the tests themselves.
#pragma once

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

/// `path` in the "\\?\" form, which reaches past MAX_PATH on every Windows.
std::filesystem::path Verbatim(const std::filesystem::path& path);
