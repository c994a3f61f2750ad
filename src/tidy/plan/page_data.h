// The data of the page of duplicates, as JSON that may stand inside the page's <script> element.
#pragma once

#include <string>
#include <vector>

#include "platform/path_text.h"
#include "platform/text_output.h"
#include "tidy/plan/plan.h"
#include "tidy/report/group_check.h"

struct PageFacts {
  PathString reportName;
  bool hasBase = false;
  PathString base;                 ///< the working folder from the page's folder, "/" between names
  std::vector<std::string> rules;  ///< the names of the keep rules in force, in order
};

/// Writes one JSON object in ASCII with no "<", ">" or "&" in its text (JSON escapes stand for
/// them): {"report", "system" ("posix" or "windows"), "base" (null when no relative path leads
/// to the working folder), "rules", "verified", "unresolved", "leftOut", "groups", "folders",
/// "volumes"}. The groups are the verified ones, the largest saving first, each [size, the
/// member kept, [folder, name, "modified", "index", volume, ...], and, when a member has other
/// names, [links, the first member that is the same file or -1, ...]]: the modification time in
/// nanoseconds since 1970 and the file's index as decimal digits in strings (a script's numbers
/// lose digits past 2^53), its volume as a number in "volumes", which holds each volume's digits.
/// "folders" are [text before the name, depth], one for each text the paths hold before a name.
void WritePageData(TextOutput& page, const PageFacts& facts, const Report& report,
                   const CheckedReport& checked, const std::vector<GroupPlan>& plans);
