#include "content/read_ahead.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/open_hook.h"
#include "support/temp_tree.h"

namespace {

class ReadAhead : public ::testing::Test {
 protected:
  // Files "0" to "count - 1", each of `size` bytes (the catalogued size), in reading order.
  std::vector<PathString> MakeFiles(int count, std::int64_t size) {
    std::vector<PathString> paths;
    for (int file = 0; file < count; ++file) {
      const std::string name = std::to_string(file);
      paths.push_back(NativeText(tree_.WriteFile(name, std::string(10, 'x'))));
    }
    for (const PathString& path : paths) {
      AddToWindow(window_, path.c_str(), size);
    }
    return paths;
  }

  TempTree tree_;
  ReadAheadWindow window_;
  std::vector<PathString> opens_;
  const OpenHook hook_{[this](const PathChar* path) { opens_.push_back(path); }};
};

TEST_F(ReadAhead, OpensAheadInOrderWithinItsLimitAndEveryFileAtItsTurn) {
  window_.readingAhead = true;
  window_.openLimit = 2;
  const std::vector<PathString> paths = MakeFiles(5, 10);
  OpenAhead(window_);
  EXPECT_EQ(opens_, (std::vector<PathString>{paths[0], paths[1]}));
  EXPECT_EQ(window_.openCount, 2u);
  for (AheadFile& file : window_.files) {
    ASSERT_TRUE(OpenAtTurn(window_, file));
    EXPECT_LE(window_.openCount, 2u);
    CloseAtTurn(window_, file);
    OpenAhead(window_);
  }
  EXPECT_EQ(opens_, paths);  // each file opened once, in order
  EXPECT_EQ(window_.openCount, 0u);
}

TEST_F(ReadAhead, OpensNothingAheadWhileTheCacheHoldsThePagesAndNeverAnEmptyFile) {
  MakeFiles(3, 10);
  AddToWindow(window_, PATH_TEXT("no such file, never opened"), 0);
  OpenAhead(window_);
  EXPECT_TRUE(opens_.empty());
  EXPECT_EQ(window_.files.back().state, AheadState::kDone);
  EXPECT_FALSE(OpenAtTurn(window_, window_.files.back()));
  EXPECT_TRUE(opens_.empty());
}

TEST(EarlyOpen, IsTakenOnlyByThePathItWasOpenedFor) {
  TempTree tree;
  const PathString first = NativeText(tree.WriteFile("first", "1"));
  const PathString second = NativeText(tree.WriteFile("second", "2"));
  std::vector<PathString> opens;
  const OpenHook hook([&opens](const PathChar* path) { opens.push_back(path); });
  EarlyOpen early;
  OpenEarly(early, first.c_str(), 1);
  OpenEarly(early, second.c_str(), 1);  // one at a time: the first is still open early
  ReadableFile file;
  ASSERT_EQ(TakeEarlyOrOpen(early, first.c_str(), &file), OpenResult::kOpened);
  CloseFile(&file);
  OpenEarly(early, first.c_str(), 1);
  ASSERT_EQ(TakeEarlyOrOpen(early, second.c_str(), &file), OpenResult::kOpened);
  CloseFile(&file);
  EXPECT_EQ(early.path, nullptr);  // the early open of another file was let go
  EXPECT_EQ(opens, (std::vector<PathString>{first, first, second}));
}

}  // namespace
