#include "tidy/report/glob_match.h"

#include <gtest/gtest.h>

#include "support/expected_texts.h"

// --exclude's patterns: a whole path matches, from its first character to its last; a star
// matches any run of characters, folders' separators included, and gives back what a later part
// of the pattern needs; a question mark matches exactly one character.
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
  };
  for (const auto& each : cases) {
    const PathString path = Text(each.path);
    EXPECT_EQ(GlobMatches(Text(each.pattern), path.c_str(), path.size()), each.matches)
        << each.pattern << " on " << each.path;
  }
}
