// What Windows-only tests need to ask the system, kept out of the tests themselves.
#pragma once

#include <filesystem>

#include "platform/path_text.h"

/// True when neither the ANSI nor the OEM code page of this system (nor the console's, when
/// there is one) can represent any character of `text`, so that each must come out as '?'.
bool CodePagesLackEvery(const PathString& text);

/// Makes `link` a symbolic link to the folder `target`. False when the system refuses (creating
/// links needs developer mode or an administrator).
bool MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target);

/// `path` in the "\\?\" form, which reaches past MAX_PATH on every Windows.
std::filesystem::path Verbatim(const std::filesystem::path& path);
