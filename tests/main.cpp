#include <gtest/gtest.h>

#include "content/compare_files.h"

namespace {

// Each test is a run of its own: the comparisons' one wait for fresh write times is not spent
// by the tests before it, so a test that writes a file and compares it at once sees what a run
// would.
class EachTestARun : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { RunWriteWait() = FreshWriteWait(); }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new EachTestARun);
  return RUN_ALL_TESTS();
}
