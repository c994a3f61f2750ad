#include "tidy/plan/json_text.h"

#include <cstdio>

#include "platform/path_code_points.h"
#include "platform/unicode.h"

namespace {

constexpr char32_t kFirstPrintable = 0x20;
constexpr char32_t kDelete = 0x7F;
constexpr int kHexDigits = 4;

void AppendEscape(char32_t unit, std::string* json) {
  char escape[16];
  std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
  json->append(escape);
}

void AppendPoint(char32_t point, std::string* json) {
  if (point == U'"' || point == U'\\') {
    json->push_back('\\');
    json->push_back(static_cast<char>(point));
  } else if (point < kFirstPrintable || point >= kDelete) {
    // Everything outside printable ASCII as JSON's own escape, a character past U+FFFF as its
    // UTF-16 pair: the text is then ASCII, which every console and code page passes unchanged.
    if (point >= kSupplementaryFirst) {
      char32_t high = 0;
      char32_t low = 0;
      SplitSurrogates(point, &high, &low);
      AppendEscape(high, json);
      AppendEscape(low, json);
    } else {
      AppendEscape(point, json);
    }
  } else {
    json->push_back(static_cast<char>(point));
  }
}

int HexValue(char digit) {
  if (digit >= '0' && digit <= '9') {
    return digit - '0';
  }
  if (digit >= 'a' && digit <= 'f') {
    return digit - 'a' + 10;
  }
  return digit >= 'A' && digit <= 'F' ? digit - 'A' + 10 : -1;
}

bool ReadHex(const std::string& line, std::size_t at, char32_t* value) {
  if (at + kHexDigits > line.size()) {
    return false;
  }
  *value = 0;
  for (int digit = 0; digit < kHexDigits; ++digit) {
    const int part = HexValue(line[at + static_cast<std::size_t>(digit)]);
    if (part < 0) {
      return false;
    }
    *value = (*value << 4) | static_cast<char32_t>(part);
  }
  return true;
}

// One escape after its backslash; a high surrogate followed by an escaped low one is one point.
bool ReadEscape(const std::string& line, std::size_t* at, std::u32string* points) {
  static const std::string kSimple = "\"\\/bfnrt";
  static const std::u32string kMeaning = U"\"\\/\b\f\n\r\t";
  const char letter = (*at < line.size()) ? line[*at] : '\0';
  const std::size_t simple = kSimple.find(letter);
  if (letter != '\0' && simple != std::string::npos) {
    points->push_back(kMeaning[simple]);
    ++*at;
    return true;
  }
  char32_t value = 0;
  if (letter != 'u' || !ReadHex(line, *at + 1, &value)) {
    return false;
  }
  *at += 1 + kHexDigits;
  char32_t low = 0;
  if (IsHighSurrogate(value) && line.compare(*at, 2, "\\u") == 0 && ReadHex(line, *at + 2, &low) &&
      IsLowSurrogate(low)) {
    value = JoinSurrogates(value, low);
    *at += 2 + kHexDigits;
  }
  points->push_back(value);
  return true;
}

bool ReadString(const std::string& line, std::size_t* at, std::u32string* points) {
  if (*at >= line.size() || line[*at] != '"') {
    return false;
  }
  ++*at;
  while (*at < line.size() && line[*at] != '"') {
    if (line[*at] == '\\') {
      ++*at;
      if (!ReadEscape(line, at, points)) {
        return false;
      }
      continue;
    }
    char32_t point = 0;
    const std::size_t taken = DecodeUtf8(line.data() + *at, line.size() - *at, false, &point);
    if (taken == 0) {
      return false;
    }
    points->push_back(point);
    *at += taken;
  }
  if (*at >= line.size()) {
    return false;
  }
  ++*at;
  return true;
}

bool ReadNumber(const std::string& line, std::size_t* at, long long* number) {
  const bool negative = *at < line.size() && line[*at] == '-';
  std::size_t position = *at + (negative ? 1 : 0);
  const std::size_t first = position;
  unsigned long long value = 0;
  while (position < line.size() && line[position] >= '0' && line[position] <= '9' &&
         position - first < 19) {
    value = value * 10 + static_cast<unsigned>(line[position] - '0');
    ++position;
  }
  if (position == first) {
    return false;
  }
  *number = negative ? -static_cast<long long>(value) : static_cast<long long>(value);
  *at = position;
  return true;
}

// JSON's own white space between tokens: what a person or another program may put there.
void SkipSpace(const std::string& line, std::size_t* at) {
  static const std::string kSpace = " \t\r\n";
  while (*at < line.size() && kSpace.find(line[*at]) != std::string::npos) {
    ++*at;
  }
}

// The token `wanted` next, after any white space; false, with nothing taken, when it is not.
bool Expect(const std::string& line, std::size_t* at, char wanted) {
  SkipSpace(line, at);
  if (*at >= line.size() || line[*at] != wanted) {
    return false;
  }
  ++*at;
  return true;
}

}  // namespace

void AppendJsonPath(const PathString& path, std::string* json) {
  json->push_back('"');
  for (const char32_t point : PathCodePoints(path)) {
    AppendPoint(point, json);
  }
  json->push_back('"');
}

void AppendJsonText(const std::string& text, std::string* json) {
  json->push_back('"');
  for (const char character : text) {
    AppendPoint(static_cast<unsigned char>(character), json);
  }
  json->push_back('"');
}

void JsonObject::Key(const char* key) {
  if (text_.size() > 1) {
    text_.push_back(',');
  }
  AppendJsonText(key, &text_);
  text_.push_back(':');
}

JsonObject& JsonObject::Path(const char* key, const PathString& value) {
  Key(key);
  AppendJsonPath(value, &text_);
  return *this;
}

JsonObject& JsonObject::Text(const char* key, const std::string& value) {
  Key(key);
  AppendJsonText(value, &text_);
  return *this;
}

JsonObject& JsonObject::Number(const char* key, long long value) {
  Key(key);
  text_ += std::to_string(value);
  return *this;
}

bool ParseJsonObject(const std::string& line, std::map<std::string, JsonValue>* fields) {
  fields->clear();
  std::size_t at = 0;
  if (!Expect(line, &at, '{')) {
    return false;
  }
  while (!Expect(line, &at, '}')) {
    if (!fields->empty() && !Expect(line, &at, ',')) {
      return false;
    }
    std::u32string key;
    SkipSpace(line, &at);
    if (!ReadString(line, &at, &key) || !Expect(line, &at, ':')) {
      return false;
    }
    JsonValue value;
    SkipSpace(line, &at);
    value.isText = at < line.size() && line[at] == '"';
    if (value.isText ? !ReadString(line, &at, &value.text)
                     : !ReadNumber(line, &at, &value.number)) {
      return false;
    }
    JsonValue ascii;
    ascii.text = key;
    (*fields)[JsonAscii(ascii)] = value;
  }
  SkipSpace(line, &at);
  return at == line.size();
}

bool JsonPath(const JsonValue& value, PathString* path) {
  return value.isText && PathFromCodePoints(value.text, path);
}

std::string JsonAscii(const JsonValue& value) {
  std::string text;
  for (const char32_t point : value.text) {
    text.push_back(point < 0x80 ? static_cast<char>(point) : '?');
  }
  return text;
}
