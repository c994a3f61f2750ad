// Console and report text on Windows: UTF-8, or the console's own wide text, never cut short.
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

TEST_F(TextOutputWindows, EveryCharacterIsWrittenInUtf8WhateverTheCodePage) {
  // Cyrillic, a Latin letter whose best fit would be a plain "a", Han, an emoji (a surrogate
  // pair) and an "e" with a combining accent: no code page of the ANSI kind has them all.
  PrintText(output_, "\t%" PATH_ARG " (%d)\n", L"C:\\x\u0416\u0101\u65e5\U0001F600e\u0301y", 7);
  PrintText(output_, "next\n");
  EXPECT_EQ(Text(), u8"\tC:\\x\u0416\u0101\u65e5\U0001F600e\u0301y (7)\nnext\n");
  EXPECT_EQ(output_.error, 0);
}

TEST_F(TextOutputWindows, LoneSurrogatesKeepTheirOwnBytesSoNamesStayApart) {
  // Names Windows accepts though they are not UTF-16 text: a high or a low surrogate alone.
  PrintText(output_, "%" PATH_ARG "\n", L"a\xd800");
  PrintText(output_, "%" PATH_ARG "\n", L"a\xd801");
  PrintText(output_, "%" PATH_ARG "\n", L"a\xdc00z");
  PrintText(output_, "%" PATH_ARG "\n", L"a\xd800z");
  EXPECT_EQ(Text(), "a\xed\xa0\x80\na\xed\xa0\x81\na\xed\xb0\x80z\na\xed\xa0\x80z\n");
}

TEST(TextOutputConsole, EveryCharacterReachesTheConsoleAsItIs) {
  TextOutput console;
  console.stream = OpenConsoleScreen();
  if (console.stream == nullptr) {
    GTEST_SKIP() << "this process has no console: wine gives none to a program started without"
                    " a terminal (run the test binary from one to cover this case)";
  }
  // Cyrillic, a Latin letter and Greek, each one cell wide, in no code page together.
  const PathString name = L"\u0416\u0101\u03bb";
  PrintText(console, "<%" PATH_ARG ">\n", name.c_str());
  PrintText(console, "next\n");
  EXPECT_EQ(ConsoleScreenLine(console.stream, 0), L"<" + name + L">");
  EXPECT_EQ(ConsoleScreenLine(console.stream, 1), L"next");
  EXPECT_EQ(console.error, 0);
  std::fclose(console.stream);
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
