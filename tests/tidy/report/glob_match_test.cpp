#include "tidy/report/glob_match.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/path_code_points.h"
#include "support/expected_texts.h"

// --exclude's patterns: a whole path matches, from its first character to its last; a star
// matches any run of characters, folders' separators included, and gives back what a later part
// of the pattern needs; a question mark matches exactly one character, however many bytes (or
// UTF-16 units) it takes.
TEST(GlobMatch, WholePathStarsCrossFoldersQuestionMarkIsOneCharacter) {
  const struct {
    const char* pattern;
    const char32_t* path;  // code points: UTF-8 on POSIX, UTF-16 on Windows
    bool matches;
  } cases[] = {
      {"*.tmp", U"a/b/c.tmp", true},
      {"*.tmp", U"a/c.tmp.dat", false},
      {"c.tmp", U"a/c.tmp", false},
      {"a/?.dat", U"a/1.dat", true},
      {"a/?.dat", U"a/12.dat", false},
      {"a/?.dat", U"a/.dat", false},
      {"*a*b", U"xaxbxab", true},
      {"*a*b", U"xaxbxa", false},
      {"a**", U"a", true},
      {"", U"a", false},
      {"*.txt", U"*notes.txt", true},
      {"b/?", U"b/\u00e9", true},  // é, two bytes
      {"b/??", U"b/\u00e9", false},
      {"b/?", U"b/\u20ac", true},      // €, three bytes
      {"b/?", U"b/\U0001F600", true},  // an emoji: four bytes, a surrogate pair
      {"b/R?sum?/*", U"b/R\u00e9sum\u00e9/cv.pdf", true},
      {"*?", U"\u00e9", true},
      {"*??", U"\u00e9", false},
  };
  for (const auto& each : cases) {
    PathString path;
    ASSERT_TRUE(PathFromCodePoints(each.path, &path));
    EXPECT_EQ(GlobMatches(Text(each.pattern), path.c_str(), path.size()), each.matches)
        << each.pattern << " on path " << &each - cases;
  }
}

// A line that spells a file otherwise than dupscan would ("a/./b", "a//b", "a/x/../b") reaches
// the file its names lead to, so a pattern that names that file leaves it out.
TEST(GlobMatch, ExcludeMatchesThePathAsItsNamesLead) {
  const auto native = [](const char* text) {
    PathString path = Text(text);
    std::replace(path.begin(), path.end(), PATH_TEXT('/'), kPathSeparator);
    return path;
  };
  const std::vector<PathString> patterns = {native("w/a"), native("*/keep/*")};
  for (const char* path : {"w/a", "w/./a", "w//a", "w/sub/../a", "./w/a", "x/../w/keep/f"}) {
    EXPECT_TRUE(ExcludedPath(patterns, native(path))) << path;
  }
  for (const char* path : {"w/b", "../w/a", "w/a/../b"}) {
    EXPECT_FALSE(ExcludedPath(patterns, native(path))) << path;
  }
  EXPECT_EQ(LexicalPath(native("/a//b/./c/../d/")), native("/a/b/d"));
}

// A name's bytes need not be UTF-8: a byte that begins no character, or a character cut short,
// is one character of its own.
TEST(GlobMatch, AByteThatIsNoCharacterIsOneOfItsOwn) {
  if (sizeof(PathChar) != 1) {
    GTEST_SKIP() << "names here are UTF-16, never bytes";
  }
  const PathString pattern = Text("b/??");
  for (const char* name : {"b/\xff\xc3", "b/\xc3x", "b/\xe2\x82", "b/\xed\xa0"}) {
    const PathString path(name, name + std::char_traits<char>::length(name));
    EXPECT_TRUE(GlobMatches(pattern, path.c_str(), path.size())) << name;
  }
}
