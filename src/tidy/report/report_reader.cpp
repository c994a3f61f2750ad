#include "tidy/report/report_reader.h"

#include <cstring>

#include "output_texts.h"
#include "platform/path_code_points.h"
#include "tidy/report/two_way_lines.h"
#include "tidy/report/whole_file.h"

namespace {

// The headings as path text, without their line end and, for groups, without the size.
PathString Widened(const std::string& text) { return PathString(text.begin(), text.end()); }

const PathString& EmptyFilesHeading() {
  static const PathString heading =
      Widened(std::string(kEmptyFilesHeading, std::strlen(kEmptyFilesHeading) - 1));
  return heading;
}

const PathString& GroupHeadingStart() {
  static const PathString start = Widened(std::string(
      kGroupHeading, static_cast<std::size_t>(std::strchr(kGroupHeading, '%') - kGroupHeading)));
  return start;
}

std::string Narrowed(const PathString& text) {
  std::string narrow;
  for (const PathChar character : text) {
    narrow.push_back(static_cast<unsigned>(character) < 0x80 ? static_cast<char>(character) : '?');
  }
  return narrow;
}

enum class Where { kBeforeBlock, kInEmptyFiles, kInGroup };

struct Parser {
  Report* report;
  Where where = Where::kBeforeBlock;
  ReportBlock* block = nullptr;  // the block lines go to, or the last one that ended

  void AddPath(const PathString& path) {
    report->paths.starts.push_back(report->paths.text.size());
    report->paths.text.append(path);
    report->paths.text.push_back(PathChar());
    ++block->count;
  }

  void Begin(ReportBlock* next, long long line) {
    block = next;
    block->line = line;
    block->first = report->paths.size();
    block->count = 0;
  }

  // A line where a heading belongs is part of a name that holds a line feed: the block before it
  // gets it, and is never taken as a group. Lines before any block make a block of their own.
  void Stray(const PathString& path, long long line) {
    if (block == nullptr) {
      report->groups.emplace_back();
      Begin(&report->groups.back(), line);
    }
    block->problem = BlockProblem::kLinesAfterBlock;
    if (!path.empty()) {
      AddPath(path);
    }
  }

  void TakeLine(const PathString& path, bool isText, long long line) {
    if (where != Where::kBeforeBlock) {
      if (!isText) {
        block->problem = BlockProblem::kUndecodableLine;
      } else if (path.empty()) {
        where = Where::kBeforeBlock;
      } else {
        AddPath(path);
      }
      return;
    }
    if (isText && path == EmptyFilesHeading() && block == nullptr) {
      Begin(&report->emptyFiles, line);
      where = Where::kInEmptyFiles;
    } else if (isText && path.compare(0, GroupHeadingStart().size(), GroupHeadingStart()) == 0) {
      report->groups.emplace_back();
      Begin(&report->groups.back(), line);
      block->sizeText = Narrowed(path.substr(GroupHeadingStart().size()));
      where = Where::kInGroup;
    } else {
      Stray(path, line);
      if (!isText) {
        block->problem = BlockProblem::kUndecodableLine;
      }
    }
  }
};

// A report the Windows builds wrote ends its lines in CR LF. Its first line is a heading, which
// never ends in a CR of its own, so that line tells which kind of report this is; then one CR is
// taken off every line, and a name that ends in a CR (a Linux name may) keeps its own.
bool EndsLinesInCrLf(const std::string& bytes) {
  const std::size_t end = bytes.find('\n');
  return end != std::string::npos && end > 0 && bytes[end - 1] == '\r';
}

}  // namespace

std::vector<ReportLine> SplitReportLines(const std::string& bytes, bool* cutShort) {
  std::vector<ReportLine> lines;
  const bool crLf = EndsLinesInCrLf(bytes);
  *cutShort = false;
  std::size_t position = 0;
  while (position < bytes.size()) {
    std::size_t end = bytes.find('\n', position);
    if (end == std::string::npos) {
      *cutShort = true;
      end = bytes.size();
    }
    std::size_t length = end - position;
    if (crLf && length > 0 && bytes[end - 1] == '\r' && !*cutShort) {
      --length;
    }
    lines.push_back({position, length});
    position = end + 1;
  }
  return lines;
}

void ParseReport(const std::string& bytes, Report* report) {
  *report = Report();
  Parser parser{report};
  bool cutShort = false;
  const std::vector<ReportLine> lines = SplitReportLines(bytes, &cutShort);
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const long long line = static_cast<long long>(index) + 1;
    if (cutShort && index + 1 == lines.size()) {
      // The last line has no line end: the report was cut short inside it.
      if (parser.block == nullptr || parser.where == Where::kBeforeBlock) {
        parser.Stray(PathString(), line);
      }
      parser.block->problem = BlockProblem::kUnfinished;
      break;
    }
    PathString path;
    const bool isText =
        PathFromReportLine(bytes.data() + lines[index].start, lines[index].length, &path);
    parser.TakeLine(path, isText, line);
  }
  if (parser.where != Where::kBeforeBlock && parser.block->problem == BlockProblem::kNone) {
    parser.block->problem = BlockProblem::kUnfinished;
  }
  for (ReportBlock& group : report->groups) {
    if (group.problem == BlockProblem::kNone && group.count < 2) {
      group.problem = BlockProblem::kTooFewPaths;
    }
  }
}

bool ReadReport(const PathString& name, Report* report, std::string* why) {
  std::string bytes;
  if (!ReadWholeFileNoLink(name, &bytes, why)) {
    return false;
  }
  ParseReport(bytes, report);
  report->twoWayLines = FindTwoWayLines(bytes);
  return true;
}
