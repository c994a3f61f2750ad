#include "tidy/plan/page_data.h"

#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>

#include "platform/file_clock.h"
#include "tidy/plan/json_text.h"

namespace {

// Pieces of this size go out one at a time: the page of a million files is tens of MB, and on
// Windows a text longer than the console's largest line is not written at all.
constexpr std::size_t kPieceSize = 64 * 1024;

// The JSON writer leaves printable ASCII as it is; inside <script> the HTML parser would end the
// element at "</script" or open a comment at "<!--", and "&" has meanings of its own in HTML.
void AppendScriptSafe(const std::string& json, std::string* text) {
  for (const char character : json) {
    if (character == '<') {
      text->append("\\u003c");
    } else if (character == '>') {
      text->append("\\u003e");
    } else if (character == '&') {
      text->append("\\u0026");
    } else {
      text->push_back(character);
    }
  }
}

void AppendPath(const PathString& path, std::string* text) {
  std::string json;
  AppendJsonPath(path, &json);
  AppendScriptSafe(json, text);
}

void WritePieces(TextOutput& page, std::string* text, std::size_t keep) {
  if (text->size() < keep) {
    return;
  }
  for (std::size_t at = 0; at < text->size(); at += kPieceSize) {
    const std::string piece = text->substr(at, kPieceSize);
    PrintText(page, "%s", piece.c_str());
  }
  text->clear();
}

// The folder texts the paths hold before their names, and the volumes, each once, numbered as
// first met.
struct Tables {
  std::unordered_map<PathString, long long> folderNumbers;
  std::vector<std::pair<PathString, std::size_t>> folders;  ///< the text and its depth
  std::map<std::uint64_t, long long> volumeNumbers;
  std::vector<std::uint64_t> volumes;

  long long FolderNumber(PathString text, std::size_t depth) {
    const auto found = folderNumbers.find(text);
    if (found != folderNumbers.end()) {
      return found->second;
    }
    const long long number = static_cast<long long>(folders.size());
    folderNumbers.emplace(text, number);
    folders.emplace_back(std::move(text), depth);
    return number;
  }

  long long VolumeNumber(std::uint64_t volume) {
    const auto added = volumeNumbers.emplace(volume, static_cast<long long>(volumes.size()));
    if (added.second) {
      volumes.push_back(volume);
    }
    return added.first->second;
  }
};

std::string Digits(std::uint64_t value) { return "\"" + std::to_string(value) + "\""; }

// [links, the first member of the same file or -1] per member, for the page to tell which
// copies free their bytes; only for groups where some member has other names.
void AppendLinks(const CheckedGroup& group, std::string* text) {
  std::map<FileIdentity, std::size_t> firstOfFile;
  text->append(",[");
  for (std::size_t index = 0; index < group.members.size(); ++index) {
    const FileState& state = group.members[index].state;
    const auto first = firstOfFile.emplace(state.identity, index).first->second;
    text->append(index == 0 ? "" : ",");
    text->append(std::to_string(state.links) + ",");
    text->append(first == index ? "-1" : std::to_string(first));
  }
  text->push_back(']');
}

void AppendGroup(const Report& report, const CheckedReport& checked, const GroupPlan& plan,
                 Tables* tables, std::string* text) {
  const CheckedGroup& group = checked.groups[plan.group];
  text->append("[" + std::to_string(group.size) + "," + std::to_string(plan.kept) + ",[");
  bool linked = false;
  for (std::size_t index = 0; index < group.members.size(); ++index) {
    const Member& member = group.members[index];
    const PathString path = report.paths.copy(member.path);
    const long long folder = tables->FolderNumber(
        path.substr(0, member.nameStart), PlaceDepth(checked, checked.folders[member.folder]));
    text->append((index == 0 ? "" : ",") + std::to_string(folder) + ",");
    AppendPath(path.substr(member.nameStart), text);
    const FileIdentity& identity = member.state.identity;
    text->append(",\"" + UnixNanosecondsText(member.state.modified) + "\"," +
                 Digits(identity.index) + "," +
                 std::to_string(tables->VolumeNumber(identity.volume)));
    linked = linked || member.state.links > 1;
  }
  text->push_back(']');
  if (linked) {
    AppendLinks(group, text);
  }
  text->push_back(']');
}

void AppendHead(const PageFacts& facts, const CheckedReport& checked, std::string* text) {
  text->append("{\"report\":");
  AppendPath(facts.reportName, text);
  text->append(kPathSeparator == '/' ? ",\"system\":\"posix\"" : ",\"system\":\"windows\"");
  text->append(",\"base\":");
  if (facts.hasBase) {
    AppendPath(facts.base, text);
  } else {
    text->append("null");
  }
  text->append(",\"rules\":[");
  for (std::size_t index = 0; index < facts.rules.size(); ++index) {
    text->append(index == 0 ? "" : ",");
    AppendJsonText(facts.rules[index], text);
  }
  text->append("],\"verified\":" + std::to_string(checked.verified) +
               ",\"unresolved\":" + std::to_string(checked.unresolved) +
               ",\"leftOut\":" + std::to_string(checked.leftOut) + ",\"groups\":[");
}

}  // namespace

void WritePageData(TextOutput& page, const PageFacts& facts, const Report& report,
                   const CheckedReport& checked, const std::vector<GroupPlan>& plans) {
  std::string text;
  AppendHead(facts, checked, &text);
  Tables tables;
  const char* separator = "";
  for (const std::size_t index : OrderBySaving(checked, plans)) {
    text.append(separator);
    separator = ",";
    AppendGroup(report, checked, plans[index], &tables, &text);
    WritePieces(page, &text, kPieceSize);
  }
  text.append("],\"folders\":[");
  for (std::size_t index = 0; index < tables.folders.size(); ++index) {
    text.append(index == 0 ? "[" : ",[");
    AppendPath(tables.folders[index].first, &text);
    text.append("," + std::to_string(tables.folders[index].second) + "]");
    WritePieces(page, &text, kPieceSize);
  }
  text.append("],\"volumes\":[");
  for (std::size_t index = 0; index < tables.volumes.size(); ++index) {
    text.append((index == 0 ? "" : ",") + Digits(tables.volumes[index]));
  }
  text.append("]}");
  WritePieces(page, &text, 0);
}
