#include "tidy/driver/command_line.h"

#include <cstring>

#include "platform/text_output.h"
#include "tidy/report/shown_path.h"
#include "tidy/tidy_texts.h"

namespace {

constexpr std::int64_t kKibibyte = 1024;
constexpr std::int64_t kLargestSize = INT64_MAX;

struct Named {
  const PathChar* name;
  int value;
};

constexpr Named kCommands[] = {
    {PATH_TEXT("summary"), static_cast<int>(Command::kSummary)},
    {PATH_TEXT("plan"), static_cast<int>(Command::kPlan)},
    {PATH_TEXT("apply"), static_cast<int>(Command::kApply)},
    {PATH_TEXT("undo"), static_cast<int>(Command::kUndo)},
    {PATH_TEXT("check"), static_cast<int>(Command::kCheck)},
    {PATH_TEXT("export"), static_cast<int>(Command::kExport)},
    {PATH_TEXT("page"), static_cast<int>(Command::kPage)},
};

constexpr Named kActions[] = {
    {PATH_TEXT("remove"), static_cast<int>(Action::kRemove)},
    {PATH_TEXT("link"), static_cast<int>(Action::kLink)},
    {PATH_TEXT("reflink"), static_cast<int>(Action::kReflink)},
    {PATH_TEXT("move"), static_cast<int>(Action::kMove)},
};

constexpr Named kFormats[] = {
    {PATH_TEXT("json"), static_cast<int>(ExportFormat::kJson)},
    {PATH_TEXT("nul"), static_cast<int>(ExportFormat::kNul)},
};

template <std::size_t kCount>
bool Lookup(const Named (&table)[kCount], const PathString& text, int* value) {
  for (const Named& named : table) {
    if (text == named.name) {
      *value = named.value;
      return true;
    }
  }
  return false;
}

// Digits and an optional K, M or G (powers of 1024), with no room for an overflow.
bool ParseSize(const PathString& text, std::int64_t* size) {
  std::int64_t value = 0;
  std::size_t at = 0;
  for (; at < text.size() && text[at] >= PATH_TEXT('0') && text[at] <= PATH_TEXT('9'); ++at) {
    if (value > (kLargestSize - 9) / 10) {
      return false;
    }
    value = value * 10 + (text[at] - PATH_TEXT('0'));
  }
  if (at == 0 || at + 1 < text.size()) {
    return false;
  }
  const PathString units = PATH_TEXT("KMG");
  const std::size_t unit = at < text.size() ? units.find(text[at]) : PathString::npos;
  if (at < text.size() && unit == PathString::npos) {
    return false;
  }
  for (std::size_t step = 0; unit != PathString::npos && step <= unit; ++step) {
    if (value > kLargestSize / kKibibyte) {
      return false;
    }
    value *= kKibibyte;
  }
  *size = value;
  return true;
}

// The options whose value is a path, a folder or a pattern, taken as typed.
struct PathOption {
  const PathChar* name;
  PathString TidyOptions::*single;
  std::vector<PathString> TidyOptions::*repeated;
};

constexpr PathOption kPathOptions[] = {
    {PATH_TEXT("--report"), &TidyOptions::report, nullptr},
    {PATH_TEXT("--holding"), &TidyOptions::holding, nullptr},
    {PATH_TEXT("--save"), &TidyOptions::save, nullptr},
    {PATH_TEXT("--plan"), &TidyOptions::planFile, nullptr},
    {PATH_TEXT("--output"), &TidyOptions::output, nullptr},
    {PATH_TEXT("--within"), nullptr, &TidyOptions::within},
    {PATH_TEXT("--exclude"), nullptr, &TidyOptions::excludes},
};

const PathOption* PathOptionNamed(const PathString& option) {
  for (const PathOption& named : kPathOptions) {
    if (option == named.name) {
      return &named;
    }
  }
  return nullptr;
}

bool TakesValue(const PathString& option) {
  static const PathString kValued[] = {PATH_TEXT("--keep"), PATH_TEXT("--action"),
                                       PATH_TEXT("--min-size"), PATH_TEXT("--format")};
  for (const PathString& valued : kValued) {
    if (option == valued) {
      return true;
    }
  }
  return PathOptionNamed(option) != nullptr;
}

bool BadValue(const PathString& option, const PathString& value) {
  PrintFailure(kBadValueLine, ShownPath(option).c_str(), ShownPath(value).c_str());
  return false;
}

bool KeepRuleText(const PathString& value, KeepText* keep) {
  static const PathString kUnder = PATH_TEXT("under:");
  static const PathString kPlain[] = {PATH_TEXT("oldest"), PATH_TEXT("newest"),
                                      PATH_TEXT("shortest"), PATH_TEXT("deepest"),
                                      PATH_TEXT("first")};
  if (value.compare(0, kUnder.size(), kUnder) == 0 && value.size() > kUnder.size()) {
    keep->rule = kUnder;
    keep->folder = value.substr(kUnder.size());
    return true;
  }
  for (const PathString& plain : kPlain) {
    if (value == plain) {
      keep->rule = value;
      return true;
    }
  }
  return false;
}

bool TakeValue(const PathString& option, const PathString& value, TidyOptions* options) {
  if (value.empty()) {
    // An unset variable in `--within "$DIR"` must not come to mean the working folder.
    PrintFailure(kMissingValueLine, ShownPath(option).c_str());
    return false;
  }
  int chosen = 0;
  KeepText keep;
  if (const PathOption* named = PathOptionNamed(option)) {
    if (named->single != nullptr) {
      options->*named->single = value;
    } else {
      (options->*named->repeated).push_back(value);
    }
  } else if (option == PATH_TEXT("--keep")) {
    if (!KeepRuleText(value, &keep)) {
      return BadValue(option, value);
    }
    options->keep.push_back(keep);
  } else if (option == PATH_TEXT("--action")) {
    if (!Lookup(kActions, value, &chosen)) {
      return BadValue(option, value);
    }
    options->action = static_cast<Action>(chosen);
    options->actionGiven = true;
  } else if (option == PATH_TEXT("--format")) {
    if (!Lookup(kFormats, value, &chosen)) {
      return BadValue(option, value);
    }
    options->format = static_cast<ExportFormat>(chosen);
  } else if (!ParseSize(value, &options->minSize)) {
    PrintFailure(kBadSizeLine, ShownPath(value).c_str());
    return false;
  }
  return true;
}

}  // namespace

bool ParseCommandLine(int count, PathChar** arguments, TidyOptions* options) {
  bool commandSeen = false;
  for (int index = 1; index < count; ++index) {
    PathString argument = arguments[index];
    int chosen = 0;
    const std::size_t equals = argument.find(PATH_TEXT('='));
    PathString option = argument.substr(0, equals);
    if (argument == PATH_TEXT("--help") || argument == PATH_TEXT("-h")) {
      options->command = Command::kHelp;
      return true;
    }
    if (argument == PATH_TEXT("--version")) {
      options->command = Command::kVersion;
      return true;
    }
    if (argument == PATH_TEXT("--all")) {
      options->all = true;
    } else if (TakesValue(option)) {
      if (equals == PathString::npos && index + 1 >= count) {
        PrintFailure(kMissingValueLine, ShownPath(option).c_str());
        return false;
      }
      const PathString value =
          equals == PathString::npos ? PathString(arguments[++index]) : argument.substr(equals + 1);
      if (!TakeValue(option, value, options)) {
        return false;
      }
    } else if (!commandSeen && Lookup(kCommands, argument, &chosen)) {
      options->command = static_cast<Command>(chosen);
      commandSeen = true;
    } else {
      PrintFailure(kUnknownArgumentLine, ShownPath(argument).c_str());
      return false;
    }
  }
  return true;
}
