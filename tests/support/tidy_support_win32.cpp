#include <windows.h>

#include "support/tidy_expected_texts.h"
#include "support/tidy_support.h"
#include "support/windows_support.h"

bool NamesHoldLineFeeds() { return false; }

std::string SwapForLink(const std::filesystem::path& path, const std::filesystem::path& target) {
  std::filesystem::remove(path);
  return MakeFileLink(path, target) ? kTidyIsLink : kTidyNamesNoFile;
}

bool MakeUnremovable(const std::filesystem::path&, const std::filesystem::path& file) {
  AddFileAttribute(file, FileAttribute::ReadOnly);
  return false;
}

bool PlanForeseesUnremovable() { return true; }

std::string UnremovableLineStart(const std::string& path) {
  return TidySkippedLine(path, kTidyReadOnly);
}

std::string IdentityText(const std::filesystem::path& path) {
  const HANDLE handle =
      CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  BY_HANDLE_FILE_INFORMATION information{};
  GetFileInformationByHandle(handle, &information);
  CloseHandle(handle);
  const unsigned long long index =
      (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) |
      information.nFileIndexLow;
  return std::to_string(information.dwVolumeSerialNumber) + ":" + std::to_string(index);
}

OddName OddExportName() {
  return {L"odd\\a \u00e9\U0001F600.bin", "odd\\\\a \\u00e9\\ud83d\\ude00.bin"};
}
