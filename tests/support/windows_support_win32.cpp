// Test support, Windows: code pages and links.
#include <windows.h>

#include "support/windows_support.h"

namespace {

bool CodePageHas(UINT codePage, wchar_t character) {
  if (codePage == CP_UTF8) {
    return true;
  }
  char bytes[8];
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, &character, 1, bytes,
                                         sizeof bytes, nullptr, &usedDefault);
  return length > 0 && !usedDefault;
}

}  // namespace

bool CodePagesLackEvery(const PathString& text) {
  for (const wchar_t character : text) {
    const UINT console = GetConsoleOutputCP();  // 0 without a console
    if (CodePageHas(GetACP(), character) || CodePageHas(GetOEMCP(), character) ||
        (console != 0 && CodePageHas(console, character))) {
      return false;
    }
  }
  return true;
}

bool MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target) {
  return CreateSymbolicLinkW(
             link.c_str(), target.c_str(),
             SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
}

std::filesystem::path Verbatim(const std::filesystem::path& path) {
  return std::filesystem::path(L"\\\\?\\" +
                               std::filesystem::absolute(path).make_preferred().native());
}
