// What happens to each file of a verified group: one is kept, the others are acted on unless
// they are outside --within or are the kept file itself under another name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file_access.h"
#include "platform/file_identity.h"
#include "tidy/plan/keep_rules.h"
#include "tidy/report/group_check.h"
#include "tidy/tidy_options.h"

enum class Fate {
  kKeep,
  kAct,
  kLinkOfKept,  ///< a hard link of the kept file: acting on it would free nothing
  kNotWithin,
  kOwnedByAnother,  ///< another user's file than the kept one: never removed, linked or reflinked
  kOnlySetAside,    ///< every copy lies where an earlier move set copies aside: none is acted on
  kNotShared,       ///< apply would refuse it for who may read or write the two (see AccessRefusal)
};

struct GroupPlan {
  std::size_t group = 0;  ///< in CheckedReport::groups
  std::size_t kept = 0;   ///< the member kept
  std::vector<Fate> fates;
  std::vector<const char*> refusals;  ///< for kNotShared: the reason, as apply gives it
  /// Bytes the disk gets back once every member to act on is removed: a file's bytes go only
  /// with its last name, so a file with names outside the group (or left in it) frees nothing.
  std::int64_t freed = 0;
  std::int64_t freedSizes = 0;  ///< the sizes of the files freed: more than `freed` when sparse
  long long acted = 0;          ///< members to act on
};

/// True when the two states were taken of one file, through one name or two of its names (hard
/// links).
inline bool NamesOfOneFile(const FileState& left, const FileState& right) {
  return SameFile(left.identity, right.identity);
}

/// Why a copy may not give way to the kept file for who may read or write them, or null: apply's
/// rule, which the plan foresees from what the check saw (an access not known refuses nothing). A
/// user's bytes never end only in a file another user owns (a removal), nor does a link or a
/// reflink join two users' files. A removal leaves the bytes only in the kept file: no user who
/// could not change the copy may write the kept file, or replace it through its folder (the
/// folders null: they could not be told). A link makes the copy's name the kept file itself, so
/// it also needs the same group, permissions, access list and extended attributes.
const char* AccessRefusal(Action action, const FileAccess& kept, const FileAccess& copy,
                          const FileAccess* keptFolder, const FileAccess* copyFolder);

/// What the check learns of each file (and folder) for AccessRefusal under `action`.
AccessDetail AccessAskedFor(Action action);

/// One copy to act on, keeping another file of its group, in the order apply takes them.
struct PlannedStep {
  std::size_t group = 0;  ///< in CheckedReport::groups
  std::size_t kept = 0;   ///< the member kept
  std::size_t copy = 0;   ///< the member acted on
  Action action = Action::kRemove;
  /// A step refused before anything is tried (a saved plan's step the report does not bear out):
  /// why, and its path as the plan names it. Null for a step to take.
  const char* refused = nullptr;
  PathString path;
};

/// apply's steps: every member the plans act on, the largest saving first; a member of another
/// owner than its kept file, or one the plan saw apply would refuse, as a step refused, so apply
/// names it.
std::vector<PlannedStep> StepsOfPlans(const CheckedReport& checked, const ReportPaths& paths,
                                      const std::vector<GroupPlan>& plans, Action action);

/// The bytes a file's removal gives back to the disk: its size, or less when it is sparse (its
/// allocation, as du counts it), less the blocks other files share too (a reflinked copy frees
/// nothing).
inline std::int64_t DiskBytes(const FileState& state) {
  const std::int64_t own =
      state.allocated >= 0 && state.allocated < state.size ? state.allocated : state.size;
  return own > state.shared ? own - state.shared : 0;
}

struct FreedSpace {
  std::int64_t disk = 0;   ///< what the disk gets back
  std::int64_t sizes = 0;  ///< the files' sizes, holes of sparse files included
};

/// What removing the members of `group` marked in `removed` frees: each file whose every name
/// (every hard link, in the group or not) is among them, once.
FreedSpace FreedBy(const CheckedGroup& group, const std::vector<bool>& removed);

struct PlanSettings {
  std::vector<KeepChoice> rules;
  std::vector<FileIdentity> within;    ///< empty: every folder
  std::vector<FileIdentity> setAside;  ///< the folders the journal says moves set copies aside in
  Action action = Action::kRemove;     ///< a move keeps every file whole, whoever owns it
};

/// The plan of every verified group, in the report's order.
std::vector<GroupPlan> PlanGroups(const CheckedReport& checked, const ReportPaths& paths,
                                  const PlanSettings& settings);

/// The plans' order for review: the largest saving first, then the larger files, then the
/// report's order.
std::vector<std::size_t> OrderBySaving(const CheckedReport& checked,
                                       const std::vector<GroupPlan>& plans);

/// The folders below the holding folder that a moved file goes into: the name of the --within
/// folder it is under (the highest, when several are), then the folders below that one, so
/// files of one name from different folders never meet.
std::vector<PathString> HoldingFolders(const CheckedReport& checked, const FolderPlace& folder,
                                       const std::vector<FileIdentity>& within);

/// `holding`, the folders and the name, joined as a path to show.
PathString JoinPath(const PathString& holding, const std::vector<PathString>& folders,
                    const PathString& name);
