// JSON for the journal and for export, in ASCII: every other character as a "\uXXXX" escape. A
// path goes in losslessly (platform/path_code_points.h): POSIX bytes that are not UTF-8 become
// "\udc80" to "\udcff", Python's surrogate escape, which os.fsencode turns back into the bytes;
// a lone UTF-16 surrogate of a Windows name becomes "\udXXX", as JSON itself spells it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/path_text.h"

/// Appends `path` as a JSON string, quotes included.
void AppendJsonPath(const PathString& path, std::string* json);

/// Appends ASCII `text` as a JSON string, quotes included.
void AppendJsonText(const std::string& text, std::string* json);

/// One line of a flat JSON object, built field by field.
class JsonObject {
 public:
  JsonObject& Path(const char* key, const PathString& value);
  JsonObject& Text(const char* key, const std::string& value);
  JsonObject& Number(const char* key, long long value);
  /// The object and a line feed.
  std::string Line() const { return text_ + "}\n"; }

 private:
  void Key(const char* key);
  std::string text_ = "{";
};

struct JsonValue {
  bool isText = false;
  std::u32string text;  ///< code points, for a string
  long long number = 0;
};

/// Reads one flat object of strings and whole numbers, with JSON's white space allowed between
/// its tokens. False when `line` is anything else.
bool ParseJsonObject(const std::string& line, std::map<std::string, JsonValue>* fields);

/// A parsed string as a path, or false when no path has those code points.
bool JsonPath(const JsonValue& value, PathString* path);

/// A parsed string as ASCII text: anything else becomes '?'.
std::string JsonAscii(const JsonValue& value);
