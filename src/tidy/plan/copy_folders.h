// Folders that are whole copies of another folder: every file in them (and in every folder below)
// has a copy of the same name and the same bytes in the other, and neither holds anything more.
// The summary shows each as one line instead of a group per file.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/path_text.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"

struct CopiedFolder {
  PathString copy;      ///< as the report spells it
  PathString original;  ///< the folder that keeps more of the kept files
  long long files = 0;
  std::int64_t bytes = 0;  ///< what acting on the copy's files gives back to the disk
  bool someLeft = false;   ///< the plan leaves some of the copy's files as they are
};

struct CopyFolders {
  std::vector<CopiedFolder> folders;
  /// Per plan: every file of the group lies in a copied folder or in its original.
  std::vector<bool> folded;
};

/// Finds the copied folders among the folders of the verified groups, climbing to the highest
/// pair of folders that are still copies. Reads folder listings only, never a file's bytes.
CopyFolders FindCopyFolders(const Report& report, const CheckedReport& checked,
                            const std::vector<GroupPlan>& plans);
