// Reading dupscan's report: the empty files, then the groups, each as its lines say. Nothing is
// believed yet; group_check.h compares every line with the disk.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/path_text.h"

/// Every path of the report, back to back, each ended by a NUL, in the report's order.
struct ReportPaths {
  PathString text;
  std::vector<std::size_t> starts;

  std::size_t size() const { return starts.size(); }
  const PathChar* at(std::size_t index) const { return text.c_str() + starts[index]; }
  PathString copy(std::size_t index) const { return PathString(at(index)); }
};

/// Why a block's lines cannot be taken as the group they seem to be. A name that holds a line
/// feed spans lines, so it can make a block end early, begin a block of its own, or add lines
/// where a heading belongs.
enum class BlockProblem {
  kNone,
  kTooFewPaths,      ///< a group of fewer than two paths, which dupscan never writes
  kUnfinished,       ///< the report ends before the block's empty line
  kLinesAfterBlock,  ///< lines follow the block where a heading belongs
  kUndecodableLine,  ///< a line is no text in the report's encoding (Windows: UTF-8)
};

struct ReportBlock {
  long long line = 0;     ///< the heading's line, counted from 1
  std::string sizeText;   ///< what follows "File Size: "
  std::size_t first = 0;  ///< the block's first path in ReportPaths
  std::size_t count = 0;
  BlockProblem problem = BlockProblem::kNone;
};

struct Report {
  ReportPaths paths;
  ReportBlock emptyFiles;  ///< count 0 when the report lists none
  std::vector<ReportBlock> groups;
  /// The lines (counted from 1, ascending) that a name holding a line feed can join to the lines
  /// next to them: see two_way_lines.h.
  std::vector<long long> twoWayLines;
};

/// Where one line of the report lies in its bytes, without its line end.
struct ReportLine {
  std::size_t start = 0;
  std::size_t length = 0;
};

/// The report's lines in order. A report that ends its lines in CR LF, as the Windows builds
/// write it, has one CR taken off each. `cutShort`: the last line has no line end.
std::vector<ReportLine> SplitReportLines(const std::string& bytes, bool* cutShort);

/// Reads the report `name` into `report`, reaching it without following a link, and finds the
/// lines that read two ways. False, with the reason in `why`, when it cannot be read.
bool ReadReport(const PathString& name, Report* report, std::string* why);

/// Takes the report's bytes apart.
void ParseReport(const std::string& bytes, Report* report);
