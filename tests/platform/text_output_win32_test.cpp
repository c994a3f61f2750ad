// Console and report text on Windows: converted whole to the code page, never cut short.
#include "platform/text_output.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"
#include "support/windows_support.h"

namespace {

class TextOutputWindows : public testing::Test {
 protected:
  void SetUp() override { output_.stream = std::tmpfile(); }
  void TearDown() override { std::fclose(output_.stream); }
  std::string Text() { return StreamContent(output_.stream); }
  TextOutput output_;
};

TEST_F(TextOutputWindows, LineFarLongerThanTheFirstBufferIsWrittenWhole) {
  const PathString path(20000, L'p');
  PrintText(output_, "<%" PATH_ARG "> %d %s\n", path.c_str(), 42, "end");
  EXPECT_EQ(Text(), "<" + std::string(20000, 'p') + "> 42 end\n");
  EXPECT_EQ(output_.error, 0);
}

TEST_F(TextOutputWindows, CharactersTheCodePageLacksBecomeQuestionMarksAndTheOutputGoesOn) {
  // Cyrillic, a Latin letter whose best fit would be a plain "a", and Han.
  const PathString lacking = L"\u0416\u0101\u65e5";
  if (!CodePagesLackEvery(lacking)) {
    GTEST_SKIP() << "this system's code pages can show these characters";
  }
  PrintText(output_, "\t%" PATH_ARG " (%d)\n", (L"C:\\x" + lacking + L"y").c_str(), 7);
  PrintText(output_, "next\n");
  EXPECT_EQ(Text(), "\tC:\\x???y (7)\nnext\n");
  EXPECT_EQ(output_.error, 0);
}

TEST(ErrorText, SystemMessageWithoutItsLineEndAndPeriod) {
  constexpr int kAccessDenied = 5;
  const std::string text = ErrorText(kAccessDenied);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
  EXPECT_NE(text.back(), '.') << text;
  // Bit 29 marks codes of applications, which the system has no message for.
  EXPECT_EQ(ErrorText(0x2000abcd), "error 536914893");
}

}  // namespace
