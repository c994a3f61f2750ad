// Which file of a group is kept.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/file_identity.h"
#include "tidy/report/group_check.h"

enum class KeepRule {
  kOldest,    ///< the earliest modification time
  kNewest,    ///< the latest modification time
  kShortest,  ///< the path of fewest characters
  kDeepest,   ///< the most folders deep
  kFirst,     ///< first in the report
  kUnder,     ///< under a given folder
};

struct KeepChoice {
  KeepRule rule = KeepRule::kFirst;
  FileIdentity folder;  ///< for kUnder
};

/// The rules when the user gives none: copies made later are the copies, and of two equally old
/// files the one nearer the top of its tree is the one a user looks for.
std::vector<KeepChoice> DefaultKeepRules();

/// What limits the choice of the file kept, before any rule.
struct KeepLimits {
  std::vector<FileIdentity> within;    ///< empty: every folder
  std::vector<FileIdentity> setAside;  ///< folders an earlier move set copies aside in
  bool byOwner = true;                 ///< only a file of the kept file's owner is acted on
};

/// The member of `group` to keep. A copy set aside by an earlier move is never the one kept while
/// another member is not (emptying the holding folder would lose the bytes). Where the group
/// spans owners, a file of the owner with the most files that can be acted on comes next. When
/// `within` names folders, a member outside all of them comes next (it cannot be changed anyway,
/// so keeping it frees the most); then the rules decide in their order, and the report's order
/// settles a tie.
std::size_t ChooseKept(const CheckedReport& checked, const ReportPaths& paths,
                       const CheckedGroup& group, const std::vector<KeepChoice>& rules,
                       const KeepLimits& limits);

/// Whether the member lies in a folder an earlier move set copies aside in.
bool IsSetAside(const CheckedReport& checked, const Member& member,
                const std::vector<FileIdentity>& setAside);

/// Whether the member's folder is under one of `within`; every folder is when `within` is empty.
bool IsWithin(const CheckedReport& checked, const Member& member,
              const std::vector<FileIdentity>& within);
