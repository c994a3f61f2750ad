#include "tidy/report/two_way_lines.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <tuple>

#include "platform/held_folder.h"
#include "platform/path_code_points.h"
#include "tidy/report/folder_way.h"
#include "tidy/report/report_reader.h"

namespace {

// No system takes a longer name (Linux: 255 bytes; Windows: 255 UTF-16 units), so a name that
// would run on past it cannot be on the disk.
constexpr std::size_t kLongestName = 255;

// A line that holds a separator, and the length of its bytes up to the last one: its folder,
// by which the lines are sorted so that each folder is held once.
struct Start {
  std::size_t line;
  std::size_t folderBytes;
};

struct Finder {
  const std::string& bytes;
  std::vector<ReportLine> lines;
  std::vector<char> twoWay;  // one flag for each line

  bool Text(std::size_t line, PathString* text) const {
    return PathFromReportLine(bytes.data() + lines[line].start, lines[line].length, text);
  }

  std::string_view Folder(const Start& start) const {
    return std::string_view(bytes.data() + lines[start.line].start, start.folderBytes);
  }

  void Mark(std::size_t from, std::size_t to) {
    std::fill(twoWay.begin() + static_cast<std::ptrdiff_t>(from),
              twoWay.begin() + static_cast<std::ptrdiff_t>(to) + 1, 1);
  }

  // The line `from`, `joined`, read as the start of a name in `first`, its folder: line after
  // line, whether an entry of that name is there.
  void Follow(const HeldFolder& first, PathString joined, std::size_t from) {
    PathString folder;
    PathString name;
    PathString line;
    SplitPath(joined, &folder, &name);
    const HeldFolder* in = &first;
    HeldFolder deeper;
    for (std::size_t at = from + 1; at < lines.size() && Text(at, &line); ++at) {
      const std::size_t separator = line.find_first_of(kPathSeparators);
      name.push_back(PathChar('\n'));
      name.append(line, 0, separator);
      joined.push_back(PathChar('\n'));
      joined.append(line);
      if (name.size() > kLongestName) {
        return;
      }
      const EntryType type = StatEntry(*in, name).type;
      const bool found = type != EntryType::kMissing && type != EntryType::kFailed;
      if (found) {
        Mark(from, at);
      }
      if (separator == PathString::npos) {
        continue;  // the name may go on over the next line too
      }
      if (!found) {
        return;
      }
      // A folder's name: the line goes on in it, and its last name may run on again.
      SplitPath(joined, &folder, &name);
      deeper = HeldFolder();
      int errorCode = 0;
      const HoldResult result = HoldListedFolder(folder, &deeper, &errorCode);
      if (result == HoldResult::kFailed) {
        Mark(at + 1, lines.size() - 1);  // it cannot be looked into: any line after may be its
        return;
      }
      if (result != HoldResult::kHeld) {
        return;
      }
      in = &deeper;
    }
  }
};

// On the line's bytes: every separator is ASCII, which is never part of a longer UTF-8 character.
std::size_t LastSeparator(const std::string& bytes, const ReportLine& line) {
  for (std::size_t index = line.length; index > 0; --index) {
    for (const PathChar* separator = kPathSeparators; *separator != 0; ++separator) {
      if (static_cast<PathChar>(bytes[line.start + index - 1]) == *separator) {
        return index - 1;
      }
    }
  }
  return std::string::npos;
}

}  // namespace

std::vector<long long> FindTwoWayLines(const std::string& bytes) {
  bool cutShort = false;
  Finder finder{bytes, SplitReportLines(bytes, &cutShort), {}};
  finder.twoWay.assign(finder.lines.size(), 0);
  std::vector<Start> starts;
  for (std::size_t line = 0; line < finder.lines.size(); ++line) {
    const std::size_t separator = LastSeparator(bytes, finder.lines[line]);
    if (separator != std::string::npos) {
      starts.push_back({line, separator});
    }
  }
  std::sort(starts.begin(), starts.end(), [&finder](const Start& left, const Start& right) {
    return std::make_tuple(finder.Folder(left), left.line) <
           std::make_tuple(finder.Folder(right), right.line);
  });
  FolderWay way;
  HoldResult result = HoldResult::kFailed;
  for (std::size_t index = 0; index < starts.size(); ++index) {
    PathString line;
    if (!finder.Text(starts[index].line, &line)) {
      continue;
    }
    if (index == 0 || finder.Folder(starts[index]) != finder.Folder(starts[index - 1])) {
      PathString folder;
      PathString name;
      SplitPath(line, &folder, &name);
      int errorCode = 0;
      result = way.Hold(folder, &errorCode);
    }
    if (result == HoldResult::kHeld) {
      finder.Follow(way.Held(), line, starts[index].line);
    }
  }
  std::vector<long long> twoWay;
  for (std::size_t line = 0; line < finder.twoWay.size(); ++line) {
    if (finder.twoWay[line] != 0) {
      twoWay.push_back(static_cast<long long>(line) + 1);
    }
  }
  return twoWay;
}
