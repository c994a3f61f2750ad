#include "tidy/report/glob_match.h"

#include <gtest/gtest.h>

#include "support/expected_texts.h"

// --exclude's patterns: a whole path matches, from its first character to its last; a star
// matches any run of characters, folders' separators included, and gives back what a later part
// of the pattern needs; a question mark matches exactly one character, however many bytes (or
// UTF-16 units) it takes.
TEST(GlobMatch, WholePathStarsCrossFoldersQuestionMarkIsOneCharacter) {
  const struct {
    const char* pattern;
    const char* path;
    bool matches;
  } cases[] = {
      {"*.tmp", "a/b/c.tmp", true},
      {"*.tmp", "a/c.tmp.dat", false},
      {"c.tmp", "a/c.tmp", false},
      {"a/?.dat", "a/1.dat", true},
      {"a/?.dat", "a/12.dat", false},
      {"a/?.dat", "a/.dat", false},
      {"*a*b", "xaxbxab", true},
      {"*a*b", "xaxbxa", false},
      {"a**", "a", true},
      {"", "a", false},
      {"*.txt", "*notes.txt", true},
      {"b/?", "b/\xc3\xa9", true},  // é, two bytes
      {"b/??", "b/\xc3\xa9", false},
      {"b/?", "b/\xe2\x82\xac", true},      // €, three bytes
      {"b/?", "b/\xf0\x9f\x98\x80", true},  // an emoji: four bytes, a surrogate pair
      {"b/R?sum?/*", "b/R\xc3\xa9sum\xc3\xa9/cv.pdf", true},
      {"*?", "\xc3\xa9", true},
      {"*??", "\xc3\xa9", false},
  };
  for (const auto& each : cases) {
    const PathString path = Text(each.path);
    EXPECT_EQ(GlobMatches(Text(each.pattern), path.c_str(), path.size()), each.matches)
        << each.pattern << " on " << each.path;
  }
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
