#include "json.hpp"

#include <gtest/gtest.h>

#include <string>

namespace brackwater::inspect {
namespace {

struct BadJson {
  std::string text;
  std::size_t line;
  std::string message;
};

TEST(JsonTest, FaultsNameTheirLine) {
  const BadJson cases[] = {
      {"", 1, "expected a JSON value, found the end of the input"},
      {"\n\n\x01", 3, "expected a JSON value, found byte 0x01"},
      {"{\n  \"a\": 1,\n}", 3, "expected a string key in an object, found '}'"},
      {"{\"a\" 1}", 1, "expected ':' after an object key, found '1'"},
      {"{\"a\": 1\n\"b\": 2}", 2, "expected ',' or '}' after an object member, found '\"'"},
      {"[1,\n2\n", 3, "expected ',' or ']' after an array element, found the end of the input"},
      {"[1,]", 1, "expected a JSON value, found ']'"},
      {"[01]", 1, "number with a leading zero"},
      {"[-]", 1, "expected a digit in a number, found ']'"},
      {"[1.]", 1, "expected a digit after '.' in a number, found ']'"},
      {"[1e+]", 1, "expected a digit in a number's exponent, found ']'"},
      {"[tru]", 1, "expected a JSON value, found 't'"},
      {"{} {}", 1, "unexpected '{' after the JSON value"},
      {"\"abc", 1, "unterminated string"},
      {"\"a\tb\"", 1, "unescaped control character byte 0x09 in a string"},
      {"\"\\x\"", 1, "invalid escape: 'x' after a backslash in a string"},
      {"\"\\\n\"", 1, "invalid escape: byte 0x0A after a backslash in a string"},
      {"\"\\u12\"", 1, "expected four hex digits after \\u"},
      {"\"\\udc00\"", 1, "unpaired surrogate in a \\u escape"},
      {"\"\\ud800x\"", 1, "unpaired surrogate in a \\u escape"},
      {"\"\\ud800\\u0041\"", 1, "unpaired surrogate in a \\u escape"},
      {"\"\xC0\xAF\"", 1, "invalid UTF-8 at byte 0xC0 in a string"},      // overlong '/'
      {"\"\xED\xA0\x80\"", 1, "invalid UTF-8 at byte 0xED in a string"},  // a surrogate
      {"\"\xE2\x82\"", 1, "invalid UTF-8 at byte 0xE2 in a string"},      // cut short
      {"\xEF\xBB\xBF{}", 1, "expected a JSON value, found byte 0xEF"},    // a byte order mark
      {std::string(kMaxJsonDepth + 1, '['), 1, "nesting deeper than 256 levels"},
  };
  for (const BadJson& bad : cases) {
    const auto parsed = parse_json(bad.text);
    ASSERT_FALSE(parsed) << bad.text;
    EXPECT_EQ(parsed.error().line, bad.line) << bad.text;
    EXPECT_EQ(parsed.error().message, bad.message) << bad.text;
  }
}

TEST(JsonTest, ReadsValuesWithTheirLines) {
  const auto parsed = parse_json(
      " {\"s\": \"a\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\ud83d\\ude00\xC3\xA9\",\n"
      "  \"n\": [-0.5e+3, 0, true, false, null],\r\n"
      "  \"s\": {}}\n");
  ASSERT_TRUE(parsed) << parsed.error().message;
  const auto& members = std::get<JsonObject>(parsed->value);
  ASSERT_EQ(members.size(), 3u);  // the repeated key is kept
  EXPECT_EQ(std::get<std::string>(members[0].value.value),
            "a\"\\/\b\f\n\r\t\xC3\xA9\xF0\x9F\x98\x80\xC3\xA9");
  const auto& numbers = std::get<JsonArray>(members[1].value.value);
  EXPECT_EQ(members[1].line, 2u);
  EXPECT_EQ(std::get<JsonNumber>(numbers[0].value).text, "-0.5e+3");
  EXPECT_EQ(std::get<bool>(numbers[2].value), true);
  EXPECT_EQ(json_kind(numbers[4]), "null");
  EXPECT_EQ(members[2].line, 3u);
  EXPECT_EQ(json_kind(members[2].value), "an object");
}

TEST(JsonTest, NestingUpToTheLimitParses) {
  const std::string deepest = std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']');
  EXPECT_TRUE(parse_json(deepest));
}

}  // namespace
}  // namespace brackwater::inspect
