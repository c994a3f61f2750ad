// Every group of the report held against the disk: each line must name an existing regular file,
// reached without following a link, of the group's one exact size, and no entry may be listed
// twice. A group that fails any of this is unresolved and is never touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_access.h"
#include "platform/held_folder.h"
#include "platform/path_text.h"
#include "platform/readable_file.h"
#include "tidy/report/folder_way.h"
#include "tidy/report/report_reader.h"

/// What the user leaves out: files whose path matches a pattern, groups of smaller files.
struct Filters {
  std::vector<PathString> excludes;
  std::int64_t minSize = 0;
};

/// A folder that the report's paths name, held once while its entries were looked at.
struct FolderPlace {
  PathString text;
  HoldResult result = HoldResult::kFailed;
  int errorCode = 0;
  std::size_t link = kNoLink;  ///< in CheckedReport::links: the last of its chain, when held
  std::uint32_t access = 0;    ///< in CheckedReport::accesses: who may change it, when asked
};

struct Member {
  std::size_t path = 0;       ///< in the report's paths
  std::size_t folder = 0;     ///< in CheckedReport::folders
  std::size_t nameStart = 0;  ///< where the name begins in the path
  FileState state;            ///< as the check found it
  std::uint32_t access = 0;   ///< in CheckedReport::accesses: who may change it, when asked
};

enum class Verdict { kVerified, kUnresolved, kLeftOut };

struct CheckedGroup {
  std::size_t block = 0;  ///< in Report::groups
  Verdict verdict = Verdict::kUnresolved;
  std::int64_t size = 0;
  std::vector<Member> members;  ///< in the report's order, the excluded ones left out
  std::size_t problemPath = 0;  ///< unresolved: the path the reason is about
  std::string problem;          ///< unresolved: why
};

struct CheckedReport {
  std::vector<FolderPlace> folders;
  std::vector<FolderLink> links;  ///< the chains of the folders held (see FolderLink)
  std::vector<CheckedGroup> groups;
  /// Who may read or change the files and folders, each distinct one once (most files share one);
  /// the first is not known, for what the check was not asked about.
  std::vector<FileAccess> accesses{FileAccess()};
  long long verified = 0;
  long long unresolved = 0;
  long long leftOut = 0;
};

/// Checks every group of `report`: one hold of each folder the paths name and one look at each
/// entry; no file is read. `asked`: what to learn of who may change each file (and, from
/// kWriters, each folder), for the plan to foresee what apply refuses.
void CheckReport(const Report& report, const Filters& filters, CheckedReport* checked,
                 AccessDetail asked = AccessDetail::kNone);

/// The report's line of an unresolved group's problem path (its heading's when it has none).
long long ProblemLine(const Report& report, const CheckedGroup& group);

/// The identity of a folder that was held: the last of its chain.
inline const FileIdentity& PlaceIdentity(const CheckedReport& checked, const FolderPlace& place) {
  return checked.links[place.link].identity;
}

/// How many folders a folder's chain has; 0 when it was not held.
inline std::size_t PlaceDepth(const CheckedReport& checked, const FolderPlace& place) {
  return place.link == kNoLink ? 0 : checked.links[place.link].depth;
}

/// Whether a folder's chain is `chain`, folder for folder.
inline bool PlaceChainIs(const CheckedReport& checked, const FolderPlace& place,
                         const std::vector<FileIdentity>& chain) {
  return LinkChainIs(checked.links, place.link, chain);
}

/// Whether `folder` is one of `folders` or below one, by identity, not by the spelling of any.
inline bool PlaceUnderAny(const CheckedReport& checked, const FolderPlace& folder,
                          const std::vector<FileIdentity>& folders) {
  return LinkUnderAny(checked.links, folder.link, folders);
}
