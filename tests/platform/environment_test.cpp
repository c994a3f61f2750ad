#include "platform/environment.h"

#include <gtest/gtest.h>

#include "support/expected_texts.h"

#include "support/run_program.h"

namespace {

TEST(ExpandEnvironment, ReplacesSetNamesAndKeepsTheRest) {
  SetTestEnvironment("DUPSCAN_TEST_A", "alpha");
  SetTestEnvironment("DUPSCAN_TEST_B", "be%ta");
  EXPECT_EQ(ExpandEnvironment(Text("%DUPSCAN_TEST_A%/x")), Text("alpha/x"));
  EXPECT_EQ(ExpandEnvironment(Text("[%DUPSCAN_TEST_A%%DUPSCAN_TEST_B%]")), Text("[alphabe%ta]"));
  EXPECT_EQ(ExpandEnvironment(Text("no references")), Text("no references"));
  EXPECT_EQ(ExpandEnvironment(Text("")), Text(""));
}

TEST(ExpandEnvironment, UnsetNamesAndUnpairedPercentsStayAsWritten) {
  SetTestEnvironment("DUPSCAN_TEST_A", "alpha");
  EXPECT_EQ(ExpandEnvironment(Text("%DUPSCAN_UNSET_X%")), Text("%DUPSCAN_UNSET_X%"));
  EXPECT_EQ(ExpandEnvironment(Text("100%")), Text("100%"));
  EXPECT_EQ(ExpandEnvironment(Text("%%")), Text("%%"));
  EXPECT_EQ(ExpandEnvironment(Text("a%DUPSCAN_TEST_A%b%c")), Text("aalphab%c"));
}

TEST(ExpandEnvironment, ClosingPercentOfAnUnsetNameMayOpenTheNextReference) {
  if (RunningUnderWine()) {
    GTEST_SKIP() << "Wine's ExpandEnvironmentStringsW keeps an unset %NAME% whole, its closing %"
                    " included, so the next reference is not found";
  }
  SetTestEnvironment("DUPSCAN_TEST_A", "alpha");
  EXPECT_EQ(ExpandEnvironment(Text("%DUPSCAN_UNSET_X%DUPSCAN_TEST_A%")),
            Text("%DUPSCAN_UNSET_Xalpha"));
}

TEST(ExpandEnvironment, ResultIsCutAtTheCapacity) {
  const std::string longValue(20000, 'v');
  SetTestEnvironment("DUPSCAN_TEST_LONG", longValue);
  const PathString expanded = ExpandEnvironment(Text("%DUPSCAN_TEST_LONG%%DUPSCAN_TEST_LONG%"));
  EXPECT_EQ(expanded.size(), kPathCapacity - 1);
  EXPECT_EQ(expanded, Text(std::string(kPathCapacity - 1, 'v')));
}

}  // namespace
