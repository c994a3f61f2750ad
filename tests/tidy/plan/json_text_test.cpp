#include "tidy/plan/json_text.h"

#include <gtest/gtest.h>

#include "support/expected_texts.h"

namespace {

PathString RoundTrip(const PathString& path) {
  JsonObject object;
  object.Path("path", path).Number("size", -12);
  const std::string line = object.Line();
  std::map<std::string, JsonValue> fields;
  EXPECT_TRUE(ParseJsonObject(line.substr(0, line.size() - 1), &fields)) << line;
  EXPECT_EQ(fields["size"].number, -12);
  PathString back;
  EXPECT_TRUE(JsonPath(fields["path"], &back)) << line;
  return back;
}

}  // namespace

TEST(JsonText, EveryPathComesBackWhole) {
  PathString odd = Text("a\"b\\c\n\td");
  odd.push_back(static_cast<PathChar>(0x7f));
  odd.push_back(static_cast<PathChar>(0xe9));  // Latin-1 on POSIX: no UTF-8; e-acute on Windows
  odd += Text("\xe2\x82\xac");                 // the euro sign in UTF-8 on POSIX
  for (const PathString& path : {Text("plain/name.jpg"), odd, Text("\xff\xfe"), Text("")}) {
    EXPECT_EQ(RoundTrip(path), path) << Narrow(path);
  }
}

TEST(JsonText, TextIsAsciiWithEscapes) {
  std::string json;
  AppendJsonPath(Text("q\"\x01"), &json);
  EXPECT_EQ(json, "\"q\\\"\\u0001\"");
  std::map<std::string, JsonValue> fields;
  EXPECT_FALSE(ParseJsonObject("{\"a\":\"unterminated}", &fields));
  EXPECT_FALSE(ParseJsonObject("{\"a\":1} trailing", &fields));
}
