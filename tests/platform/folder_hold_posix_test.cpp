// While a run reads the files its walk listed, each file is reached through its folder, held
// open for the files after it: the folder must be the file's own, whatever the order, and none
// may stay held once the run is over.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_batch.h"
#include "platform/readable_file.h"
#include "support/temp_tree.h"

namespace {

FileIdentity NoneKnown(const void*, const PathChar*) { return FileIdentity(); }

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

// Files of one name in several folders, the folders taken in turn and back again, so that the
// folder held changes inside one batch: each file read must be the one its path names. Each holds
// its name and as many dots as files come before it, so no two have the same size.
class HeldFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a/x", "b/x", "a/y", "c/x", "a/x2"}) {
      contents_.push_back(name + std::string(contents_.size(), '.'));
      paths_.push_back(tree_.WriteFile(name, contents_.back()).native());
    }
    SetListedFileLookup(NoneKnown, nullptr);
  }
  void TearDown() override { SetListedFileLookup(nullptr, nullptr); }

  TempTree tree_;
  std::vector<std::string> contents_;
  std::vector<std::string> paths_;
};

TEST_F(HeldFolders, EachFileOfABatchIsOpenedInItsOwnFolder) {
  const bool together = StartBatches();
  std::vector<BatchOpen> opens(paths_.size());
  for (std::size_t index = 0; index < paths_.size(); ++index) {
    opens[index].path = paths_[index].c_str();
  }
  OpenTogether(opens.data(), opens.size());
  for (std::size_t index = 0; index < opens.size(); ++index) {
    ASSERT_EQ(opens[index].result, OpenResult::kOpened) << paths_[index];
    char bytes[16] = {};
    const std::size_t got = ReadAt(opens[index].file, 0, bytes, sizeof bytes);
    EXPECT_EQ(std::string(bytes, got), contents_[index]);
    CloseFile(&opens[index].file);
  }
  if (together) {
    EndBatches();
  }
}

TEST_F(HeldFolders, StateAtPathAsksTheFileItsPathNamesAndNoFolderStaysHeld) {
  SetListedFileLookup(nullptr, nullptr);
  const std::size_t before = OpenDescriptors();
  SetListedFileLookup(NoneKnown, nullptr);
  for (std::size_t index = 0; index < paths_.size(); ++index) {
    FileState state;
    ASSERT_TRUE(StateAtPath(paths_[index].c_str(), &state)) << paths_[index];
    EXPECT_EQ(state.size, static_cast<std::int64_t>(contents_[index].size())) << paths_[index];
  }
  SetListedFileLookup(nullptr, nullptr);
  EXPECT_EQ(OpenDescriptors(), before);

  // The next run finds the folder "a" made anew, not the one the run before held.
  std::filesystem::remove_all(tree_ / "a");
  tree_.WriteFile("a/x2", "far longer than before");
  SetListedFileLookup(NoneKnown, nullptr);
  FileState state;
  ASSERT_TRUE(StateAtPath(paths_.back().c_str(), &state));
  EXPECT_EQ(state.size, 22);
}

}  // namespace
