#include "tidy/plan/saved_plan.h"

#include <gtest/gtest.h>

#include "platform/path_code_points.h"
#include "support/tidy_expected_texts.h"

namespace {

const std::string kFormat = std::string("\"format\":\"") + kTidyPlanFormatName + "\"";
const std::string kHeader = "{" + kFormat + ",\"version\":1}\n";

std::string FileLine(const std::string& action, const std::string& path,
                     const std::string& modified = "1700000000123456789") {
  return "{\"action\":\"" + action + "\",\"path\":\"" + path +
         "\",\"size\":5,\"volume\":\"2049\",\"index\":\"18446744073709551615\",\"modified\":\"" +
         modified + "\"}\n";
}

// The line ParseSavedPlan refuses `text` at (0 for none, or for the whole file).
long long RefusedAt(const std::string& text) {
  SavedPlan plan;
  long long line = -1;
  std::string why;
  const bool read = ParseSavedPlan(text, &plan, &line, &why);
  EXPECT_EQ(read, why.empty()) << text;
  return read ? 0 : line;
}

}  // namespace

TEST(SavedPlan, ReadsWhatABrowserOrAPersonWrites) {
  // Spaces, a CR LF, an empty line, a name in raw UTF-8 and one with an escaped odd byte.
  const std::string text = " { \"version\" : 1 , " + kFormat + " }\r\n\n" +
                           FileLine("keep", "a/caf\xc3\xa9") + FileLine("link", "b/\\udcff", "-5");
  SavedPlan plan;
  long long line = 0;
  std::string why;
  ASSERT_TRUE(ParseSavedPlan(text, &plan, &line, &why)) << line << ": " << why;
  ASSERT_EQ(plan.files.size(), 2u);
  EXPECT_TRUE(plan.files[0].keep);
  EXPECT_EQ(plan.files[1].action, Action::kLink);
  EXPECT_EQ(plan.files[1].line, 4);
  EXPECT_EQ(plan.files[1].identity.index, 18446744073709551615ull);
  EXPECT_EQ(plan.files[1].modified, "-5");
  // The names' characters, whichever system's text they are in: on Linux the odd byte 0xFF.
  EXPECT_EQ(PathCodePoints(plan.files[0].path), U"a/caf\u00e9");
  EXPECT_EQ(PathCodePoints(plan.files[1].path), std::u32string(U"b/") + char32_t{0xDCFF});
}

TEST(SavedPlan, RefusesTheWholePlanAtItsFirstFault) {
  const std::string keep = FileLine("keep", "a");
  EXPECT_EQ(RefusedAt(""), 0);
  EXPECT_EQ(RefusedAt(keep), 1);
  EXPECT_EQ(RefusedAt("{" + kFormat + ",\"version\":2}\n" + keep), 1);
  EXPECT_EQ(RefusedAt(kHeader + FileLine("remove", "b") + keep), 2);
  EXPECT_EQ(RefusedAt(kHeader + keep + FileLine("delete", "b")), 3);
  EXPECT_EQ(RefusedAt(kHeader + keep + FileLine("remove", "b", "017")), 3);
  EXPECT_EQ(RefusedAt(kHeader + keep + FileLine("remove", "b") + "{\"action\":\"keep\"}\n"), 4);
  EXPECT_EQ(RefusedAt(kHeader + keep + FileLine("remove", "b") + FileLine("move", "a")), 4);
}
