// dupscan-tidy's apply ended at every step it takes (after each journal line, each rename, link,
// exchange and removal; where runs cost more, at a spread of them, every kind included), as a kill
// or a power cut would end it: no content is lost, every name left holds the bytes it held, and
// undo (or the next apply) then puts back what was set aside or moved, and leaves no spare name
// behind.
#include <algorithm>
#include <map>
#include <tuple>

#include <gtest/gtest.h>

#include "support/expected_texts.h"
#include "support/temp_tree.h"
#include "support/tidy_expected_texts.h"
#include "support/tidy_support.h"

namespace {

// Three groups: two copies of one file, one of another, two of a third.
constexpr long long kCopies = 5;
std::map<std::string, std::string> MakeTemplate(const TempTree& tree) {
  const std::map<std::string, std::string> files = {
      {"home/keep/a.bin", PatternBytes(3000, 41)}, {"home/x/a.bin", PatternBytes(3000, 41)},
      {"home/y/a.bin", PatternBytes(3000, 41)},    {"home/keep/b.bin", PatternBytes(1500, 42)},
      {"home/x/b.bin", PatternBytes(1500, 42)},    {"home/keep/c.bin", PatternBytes(700, 43)},
      {"home/x/c.bin", PatternBytes(700, 43)},     {"home/y/c.bin", PatternBytes(700, 43)},
  };
  for (const auto& [path, bytes] : files) {
    SetAge(tree.WriteFile(path, bytes), path.find("keep") != std::string::npos ? 100 : 1);
  }
  tree.MakeDirectory("holding");
  WriteReport(tree.root(), {Text("home")});
  return files;
}

// Every name the template had either holds its bytes still or is gone; no content is lost.
void ExpectNamesHoldTheirBytes(const std::filesystem::path& root,
                               const std::map<std::string, std::string>& files,
                               const std::string& when) {
  std::set<std::string> before;
  for (const auto& [path, bytes] : files) {
    before.insert(bytes);
    const std::filesystem::path now = root / path;
    if (std::filesystem::exists(now)) {
      EXPECT_EQ(ReadWholeFile(now), bytes) << path << " " << when;
    }
  }
  std::set<std::string> after = Contents(root / "home");
  const std::set<std::string> held = Contents(root / "holding");
  after.insert(held.begin(), held.end());
  ExpectNothingLost(before, after);
}

// No name an interrupted step gave beside a copy is left in the copy's folders.
void ExpectNoSpares(const std::filesystem::path& root, const std::string& when) {
  for (const char* folder : {"home/x", "home/y"}) {
    EXPECT_FALSE(NameAppears(root / folder, Text(".dupscan-tidy"))) << folder << " " << when;
  }
}

void CopyTree(const TempTree& from, const TempTree& to) {
  // Entry by entry: mingw-w64's copy refuses a folder that exists already, the tree's root.
  for (const auto& entry : std::filesystem::directory_iterator(from.root())) {
    std::filesystem::copy(entry.path(), to / entry.path().filename(),
                          std::filesystem::copy_options::recursive);
  }
}

// The steps the apply of the template takes when nothing ends it.
long long StepsOfWholeApply(const TempTree& templateTree, const std::vector<PathString>& apply) {
  TempTree tree;
  CopyTree(templateTree, tree);
  const ProgramResult run = RunTidyEndingAt(tree.root(), 0, apply);
  EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
  return StepsRun(run);
}

// Whether the apply is ended at `step` of its `steps`. The optimised native build ends it at
// every step. Where each run costs several times as much (under wine each run starts a process at
// 0.1 to 0.3 s; under qemu-i386 or the sanitizers each of these tests took 18 to 28 s, where the
// native build takes 1 to 4 s), at each step of the first copy acted on (each copy takes as many:
// a removal 4, a move 3, a link made by renames 6), so that each kind of step is ended at least
// once; then at every fifth, so each later copy is ended at another kind of step; and at the last,
// the journal's last line. The steps tried in full, ended at each one and put right both ways, are
// every step in the native build and the first copy's where runs cost more.
bool TriedInFull(long long step, long long steps) {
  return !RunsSlowly() || step <= steps / kCopies;
}
bool EndsAt(long long step, long long steps) {
  return TriedInFull(step, steps) || step % 5 == 0 || step >= steps;
}

// What an interrupted apply is put right by: undo, or the next apply instead.
struct Interruption {
  const TempTree& templateTree;
  const std::map<std::string, std::string>& files;
  std::vector<PathString> apply;
  std::vector<PathString> undo;
};

// The apply, in a copy of the template, ended at `step`, then undone or applied again; the
// ended run.
ProgramResult EndThenPutRight(const Interruption& run, long long step, bool byUndo) {
  TempTree tree;
  CopyTree(run.templateTree, tree);
  const ProgramResult ended = RunTidyEndingAt(tree.root(), step, run.apply);
  const std::string when = "after step " + std::to_string(step);
  ExpectNamesHoldTheirBytes(tree.root(), run.files, when);
  const ProgramResult next = RunTidyIn(tree.root(), byUndo ? run.undo : run.apply);
  const std::string then = when + (byUndo ? ", then undo" : ", then apply");
  ExpectNamesHoldTheirBytes(tree.root(), run.files, then);
  if (byUndo) {
    EXPECT_EQ(next.exitCode, 0) << when << "\n" << next.output << next.errors;
  } else {
    EXPECT_LT(next.exitCode, 2) << when << "\n" << next.errors;
  }
  ExpectNoSpares(tree.root(), then + "\n" + next.output);
  return ended;
}

// Each step ended is put right both ways, in two trees. Where runs cost more, only the first
// copy's steps are: the later ones ended are put right by undo and by the next apply in turn, two
// runs where both ways take four (under wine the three tests took 176 s of the x86-64 suite's 615
// when every step ended was put right both ways).
void InterruptEveryStep(const std::vector<PathString>& apply) {
  std::vector<PathString> undo = {Text("undo"), Text("--within"), Text("home")};
  if (std::find(apply.begin(), apply.end(), Text("--holding")) != apply.end()) {
    undo.insert(undo.end(), {Text("--holding"), Text("holding")});
  }
  TempTree templateTree;
  const std::map<std::string, std::string> files = MakeTemplate(templateTree);
  const Interruption run{templateTree, files, apply, undo};
  const long long steps = StepsOfWholeApply(templateTree, apply);
  bool undoNext = true;  // past the first copy, where runs cost more: the next step's way
  for (long long step = 1;; ++step) {
    if (!EndsAt(step, steps)) {
      continue;
    }
    const bool bothWays = TriedInFull(step, steps);
    const ProgramResult ended = EndThenPutRight(run, step, bothWays || undoNext);
    if (bothWays) {
      EndThenPutRight(run, step, false);
    } else {
      undoNext = !undoNext;
    }
    if (ended.exitCode != kEndedAtStep) {
      EXPECT_EQ(ended.exitCode, 0) << ended.output << ended.errors;
      EXPECT_GT(step, 5) << "too few steps to have acted: " << ended.errors;
      return;
    }
  }
}

}  // namespace

// CTest labels: long
TEST(TidyInterrupted, RemovalsLoseNothingAtAnyStep) {
  InterruptEveryStep({Text("apply"), Text("--within"), Text("home")});
}

// CTest labels: long
TEST(TidyInterrupted, LinksLoseNothingAtAnyStep) {
  InterruptEveryStep(
      {Text("apply"), Text("--action"), Text("link"), Text("--within"), Text("home")});
}

// CTest labels: long
TEST(TidyInterrupted, MovesLoseNothingAtAnyStepAndComeBack) {
  InterruptEveryStep({Text("apply"), Text("--action"), Text("move"), Text("--holding"),
                      Text("holding"), Text("--within"), Text("home")});
}

// Another program writes over the kept file or the copy at each step of a removal or a link,
// and may put its modification time back: the bytes compared, and the bytes it wrote, are both
// still somewhere when apply ends.
class TidyWrittenMeanwhile
    : public testing::TestWithParam<std::tuple<const char*, const char*, bool>> {};

TEST_P(TidyWrittenMeanwhile, NoContentIsLost) {
  const auto [action, written, timePutBack] = GetParam();
  const std::string original = PatternBytes(3000, 51);
  const std::string edit = "EDIT" + original.substr(4);
  const std::vector<PathString> apply{Text("apply"), Text("--action"), Text(action),
                                      Text("--within"), Text("home/x")};
  // dupscan's report names the pair as its root was given, "home", so it is the same in every
  // tree: it runs once, not at each step (under wine each run starts a process).
  std::string report;
  for (long long step = 1;; ++step) {
    TempTree tree;
    SetAge(tree.WriteFile("home/keep/a.bin", original), 100);
    SetAge(tree.WriteFile("home/x/a.bin", original), 1);
    if (report.empty()) {
      WriteReport(tree.root(), {Text("home")});
      report = ReadWholeFile(tree / "duplicates.txt");
      ASSERT_FALSE(report.empty());
    } else {
      tree.WriteFile("duplicates.txt", report);
    }
    const ProgramResult run =
        RunTidyEditingAt(tree.root(), step, Text(written), apply, timePutBack);
    const long long ran = StepsRun(run);
    ASSERT_GE(ran, 0) << run.errors;
    if (ran < step) {
      return;  // every step has had its write
    }
    SCOPED_TRACE("written at step " + std::to_string(step) + "\n" + run.output);
    EXPECT_LT(run.exitCode, 2) << run.errors;
    std::set<std::string> before{edit};
    if (run.errors.find("edited") == std::string::npos) {
      before.clear();
    }
    // A run that acted took two steps after the copy went: the removal and the journal's last
    // line. A write then may take the last of the bytes compared, as any write later would.
    if (run.exitCode != 0 || step <= ran - 2) {
      before.insert(original);
    }
    ExpectNothingLost(before, Contents(tree / "home"));
  }
}

INSTANTIATE_TEST_SUITE_P(EachFile, TidyWrittenMeanwhile,
                         testing::Combine(testing::Values("remove", "link"),
                                          testing::Values("home/keep/a.bin", "home/x/a.bin"),
                                          testing::Bool()));
