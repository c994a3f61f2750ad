// Which file each --keep rule keeps, from the words on the command line to the plan's keep line.
#include <gtest/gtest.h>

#include "support/expected_texts.h"
#include "support/temp_tree.h"
#include "support/tidy_expected_texts.h"
#include "support/tidy_in_process.h"
#include "support/tidy_support.h"

// One group whose files each win one rule alone: a rule that compares the wrong way, looks at
// the wrong thing or is read as another keeps another file. Ties go to the next rule, and past
// the last one given to the default ones, oldest first; a file outside --within is kept before
// any rule decides.
TEST(KeepRules, EachRuleKeepsTheFileOnlyItPrefers) {
  TempTree tree;
  const std::string bytes = PatternBytes(300, 1);
  const std::vector<std::filesystem::path> group =
      WriteAgedFiles(tree.root(), {{"m/mm/first", bytes, 500},
                                   {"m/mm/oldest", bytes, 900},
                                   {"m/mm/newest", bytes, 1},
                                   {"m/s", bytes, 400},
                                   {"m/a/b/c/deepest", bytes, 600}});
  const PathString under = Text("under:");
  const struct {
    std::vector<PathString> options;
    const char* kept;
  } cases[] = {
      {{}, "m/mm/oldest"},
      {{Text("--keep"), Text("oldest")}, "m/mm/oldest"},
      {{Text("--keep"), Text("newest")}, "m/mm/newest"},
      {{Text("--keep"), Text("shortest")}, "m/s"},
      {{Text("--keep"), Text("deepest")}, "m/a/b/c/deepest"},
      {{Text("--keep"), Text("first")}, "m/mm/first"},
      {{Text("--keep"), under + (tree / "m/mm").native(), Text("--keep"), Text("newest")},
       "m/mm/newest"},
      {{Text("--keep"), under + (tree / "m").native()}, "m/mm/oldest"},
      {{Text("--keep"), Text("deepest"), Text("--within"), (tree / "m/a").native()}, "m/mm/oldest"},
  };
  for (const auto& each : cases) {
    std::vector<PathString> arguments{Text("plan")};
    arguments.insert(arguments.end(), each.options.begin(), each.options.end());
    const std::string plan =
        RunTidyOnReport(tree / "duplicates.txt", ReportGroup(group), arguments);
    EXPECT_NE(plan.find(TidyKeepLine(ReportPath(tree / each.kept))), std::string::npos)
        << each.kept << " kept by " << Narrow(arguments.back()) << "; the plan:\n"
        << plan;
  }
}
