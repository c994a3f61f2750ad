// What the check asks of a file or folder beyond its state: the blocks it shares with other
// files, and who may change it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "platform/file_access.h"
#include "platform/held_folder.h"
#include "tidy/report/group_check.h"

/// Of a regular file's blocks, those other files share too, where its file system can share
/// them: a copy reflinked earlier frees nothing. One file of each volume tells whether asking is
/// of use (`sharing`, by volume); on the others no file is opened.
void AskShared(const HeldFolder& folder, const PathString& name, FileState* state,
               std::map<std::uint64_t, bool>* sharing);

/// The accesses the check finds, each distinct one once in CheckedReport::accesses: the files of
/// a tree mostly share one or two.
class AccessTable {
 public:
  explicit AccessTable(CheckedReport* checked) : checked_(checked) {}

  /// The access of the regular file `name` in `folder`: its index, 0 when not asked or not told.
  std::uint32_t OfEntry(const HeldFolder& folder, const PathString& name, AccessDetail asked);

  /// The access of the folder held, asked only for kWriters (a removal's rule looks at folders).
  std::uint32_t OfFolder(const HeldFolder& folder, AccessDetail asked);

 private:
  using Key =
      std::tuple<std::uint64_t, std::uint64_t, std::uint32_t, std::string, std::string, bool>;
  std::uint32_t Keep(const FileAccess& access);

  CheckedReport* checked_;
  std::map<Key, std::uint32_t> index_;
};
