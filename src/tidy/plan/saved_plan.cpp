#include "tidy/plan/saved_plan.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "platform/file_clock.h"
#include "tidy/plan/json_text.h"
#include "tidy/plan/keep_rules.h"
#include "tidy/plan/plan_output.h"
#include "tidy/tidy_texts.h"

namespace {

using PlanLine = std::map<std::string, JsonValue>;

constexpr Action kActions[] = {Action::kRemove, Action::kLink, Action::kReflink, Action::kMove};

std::string FileLine(const char* word, const PathString& path, const FileState& state) {
  JsonObject line;
  line.Text(kPlanActionKey, word)
      .Path(kPlanPathKey, path)
      .Number(kPlanSizeKey, static_cast<long long>(state.size))
      .Text(kPlanVolumeKey, std::to_string(state.identity.volume))
      .Text(kPlanIndexKey, std::to_string(state.identity.index))
      .Text(kPlanModifiedKey, UnixNanosecondsText(state.modified));
  return line.Line();
}

const JsonValue* Field(const PlanLine& line, const char* key, bool text) {
  const auto found = line.find(key);
  return found != line.end() && found->second.isText == text ? &found->second : nullptr;
}

// Decimal digits as the plan writes them: no sign unless `signed` allows a "-", no leading zero.
bool CanonicalDigits(const std::string& text, bool withSign) {
  const std::size_t first = withSign && !text.empty() && text[0] == '-' ? 1 : 0;
  if (first == text.size() || (text[first] == '0' && text.size() > first + 1) ||
      (first == 1 && text == "-0")) {
    return false;
  }
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(first), text.end(),
                     [](char digit) { return digit >= '0' && digit <= '9'; });
}

// A whole number of 64 bits, unsigned, from canonical digits.
bool ReadIdentityPart(const JsonValue* value, std::uint64_t* number) {
  if (value == nullptr) {
    return false;
  }
  const std::string text = JsonAscii(*value);
  if (!CanonicalDigits(text, false) || text.size() > 20 ||
      (text.size() == 20 && text > "18446744073709551615")) {
    return false;
  }
  *number = 0;
  for (const char digit : text) {
    *number = *number * 10 + static_cast<std::uint64_t>(digit - '0');
  }
  return true;
}

bool ReadAction(const std::string& word, SavedFile* file) {
  file->keep = word == kKeepWord;
  for (const Action action : kActions) {
    if (word == ActionWord(action)) {
      file->action = action;
      return true;
    }
  }
  return file->keep;
}

bool ReadFile(const PlanLine& line, SavedFile* file) {
  const JsonValue* action = Field(line, kPlanActionKey, true);
  const JsonValue* path = Field(line, kPlanPathKey, true);
  const JsonValue* size = Field(line, kPlanSizeKey, false);
  const JsonValue* modified = Field(line, kPlanModifiedKey, true);
  if (action == nullptr || path == nullptr || size == nullptr || size->number < 0 ||
      modified == nullptr || !ReadAction(JsonAscii(*action), file) ||
      !JsonPath(*path, &file->path) || file->path.empty() ||
      !ReadIdentityPart(Field(line, kPlanVolumeKey, true), &file->identity.volume) ||
      !ReadIdentityPart(Field(line, kPlanIndexKey, true), &file->identity.index)) {
    return false;
  }
  file->identity.known = true;
  file->size = size->number;
  file->modified = JsonAscii(*modified);
  return CanonicalDigits(file->modified, true);
}

bool ReadHeader(const PlanLine& line, SavedPlan* plan, std::string* why) {
  const JsonValue* format = Field(line, kPlanFormatKey, true);
  const JsonValue* version = Field(line, kPlanVersionKey, false);
  if (format == nullptr || JsonAscii(*format) != kPlanFormatName || version == nullptr) {
    *why = kPlanNoHeader;
    return false;
  }
  if (version->number != kPlanFormatVersion) {
    *why = kPlanOtherVersion;
    return false;
  }
  const JsonValue* report = Field(line, kPlanReportKey, true);
  if (report != nullptr) {
    JsonPath(*report, &plan->report);
  }
  return true;
}

// One line after the header; false, with why, when it is not a file the plan may hold there.
bool TakeFileLine(const PlanLine& fields, long long line, SavedPlan* plan, std::string* why) {
  SavedFile file;
  file.line = line;
  if (!ReadFile(fields, &file)) {
    *why = kPlanBadLine;
    return false;
  }
  if (!file.keep && plan->files.empty()) {
    *why = kPlanStepFirst;
    return false;
  }
  plan->files.push_back(std::move(file));
  return true;
}

// The line of the second of two files of one path, or 0 when every path is there once.
long long PathTwice(const std::vector<SavedFile>& files) {
  std::vector<const SavedFile*> sorted;
  for (const SavedFile& file : files) {
    sorted.push_back(&file);
  }
  std::sort(sorted.begin(), sorted.end(), [](const SavedFile* left, const SavedFile* right) {
    return std::tie(left->path, left->line) < std::tie(right->path, right->line);
  });
  for (std::size_t index = 1; index < sorted.size(); ++index) {
    if (sorted[index]->path == sorted[index - 1]->path) {
      return sorted[index]->line;
    }
  }
  return 0;
}

bool AsSaved(const FileState& state, const SavedFile& file) {
  return SameFile(state.identity, file.identity) && state.size == file.size &&
         UnixNanosecondsText(state.modified) == file.modified;
}

using Place = std::pair<std::size_t, std::size_t>;  // group, member

const char* Refusal(const SavedFile& copy, const SavedFile& kept, const Place* copyPlace,
                    const Place* keptPlace, const CheckedReport& checked,
                    const std::vector<FileIdentity>& within) {
  if (copyPlace == nullptr) {
    return kPlanNotInReport;
  }
  if (keptPlace == nullptr) {
    return kPlanKeptNotInReport;
  }
  if (copyPlace->first != keptPlace->first) {
    return kPlanOtherGroup;
  }
  const CheckedGroup& group = checked.groups[copyPlace->first];
  if (group.verdict != Verdict::kVerified) {
    return group.verdict == Verdict::kLeftOut ? kPlanGroupLeftOut : kPlanGroupUnresolved;
  }
  const Member& copyMember = group.members[copyPlace->second];
  const Member& keptMember = group.members[keptPlace->second];
  if (!AsSaved(copyMember.state, copy)) {
    return kPlanCopyChanged;
  }
  if (!AsSaved(keptMember.state, kept)) {
    return kPlanKeptChanged;
  }
  if (NamesOfOneFile(copyMember.state, keptMember.state)) {
    return kSameFileAsKept;
  }
  return IsWithin(checked, copyMember, within) ? nullptr : kOutsideWithin;
}

}  // namespace

std::string SavedPlanText(const PathString& reportName, const Report& report,
                          const CheckedReport& checked, const std::vector<GroupPlan>& plans,
                          Action action) {
  JsonObject header;
  header.Text(kPlanFormatKey, kPlanFormatName)
      .Number(kPlanVersionKey, kPlanFormatVersion)
      .Path(kPlanReportKey, reportName);
  std::string text = header.Line();
  for (const std::size_t index : OrderBySaving(checked, plans)) {
    const GroupPlan& plan = plans[index];
    const CheckedGroup& group = checked.groups[plan.group];
    if (plan.acted == 0) {
      continue;
    }
    const Member& kept = group.members[plan.kept];
    text += FileLine(kKeepWord, report.paths.copy(kept.path), kept.state);
    for (std::size_t member = 0; member < group.members.size(); ++member) {
      if (plan.fates[member] == Fate::kAct) {
        const Member& copy = group.members[member];
        text += FileLine(ActionWord(action), report.paths.copy(copy.path), copy.state);
      }
    }
  }
  return text;
}

bool ParseSavedPlan(const std::string& bytes, SavedPlan* plan, long long* line, std::string* why) {
  bool headed = false;
  *line = 0;
  for (std::size_t position = 0; position < bytes.size();) {
    std::size_t end = bytes.find('\n', position);
    end = end == std::string::npos ? bytes.size() : end;
    const std::string text = bytes.substr(position, end - position);
    position = end + 1;
    ++*line;
    if (text.find_first_not_of(" \t\r") == std::string::npos) {
      continue;  // an empty line
    }
    PlanLine fields;
    if (!ParseJsonObject(text, &fields)) {
      *why = headed ? kPlanBadLine : kPlanNoHeader;
      return false;
    }
    if (headed ? !TakeFileLine(fields, *line, plan, why) : !ReadHeader(fields, plan, why)) {
      return false;
    }
    headed = true;
  }
  *line = headed ? PathTwice(plan->files) : 0;
  *why = !headed ? kPlanNoHeader : (*line != 0 ? kPlanPathTwice : "");
  return headed && *line == 0;
}

std::vector<PlannedStep> StepsOfSavedPlan(const SavedPlan& plan, const Report& report,
                                          const CheckedReport& checked,
                                          const std::vector<FileIdentity>& within) {
  std::unordered_map<PathString, Place> places;
  for (std::size_t group = 0; group < checked.groups.size(); ++group) {
    const CheckedGroup& checkedGroup = checked.groups[group];
    for (std::size_t member = 0; member < checkedGroup.members.size(); ++member) {
      places.emplace(report.paths.copy(checkedGroup.members[member].path), Place(group, member));
    }
  }
  const auto placeOf = [&places](const PathString& path) -> const Place* {
    const auto found = places.find(path);
    return found == places.end() ? nullptr : &found->second;
  };
  std::vector<PlannedStep> steps;
  const SavedFile* kept = nullptr;
  for (const SavedFile& file : plan.files) {
    if (file.keep) {
      kept = &file;
      continue;
    }
    const Place* copyPlace = placeOf(file.path);
    const Place* keptPlace = placeOf(kept->path);
    PlannedStep step;
    step.action = file.action;
    step.path = file.path;
    step.refused = Refusal(file, *kept, copyPlace, keptPlace, checked, within);
    if (step.refused == nullptr) {
      step.group = copyPlace->first;
      step.copy = copyPlace->second;
      step.kept = keptPlace->second;
    }
    steps.push_back(std::move(step));
  }
  return steps;
}
