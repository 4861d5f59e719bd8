#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace brackwater::inspect {

struct JsonValue;
struct JsonMember;

using JsonArray = std::vector<JsonValue>;
// Members in document order; duplicate keys are kept for the caller to judge.
using JsonObject = std::vector<JsonMember>;

// A number as written, already checked against the JSON grammar, so a caller
// can tell 7 from 7.0 and read it exactly.
struct JsonNumber {
  std::string text;
};

struct JsonValue {
  std::variant<std::nullptr_t, bool, JsonNumber, std::string, JsonArray, JsonObject> value;
  std::size_t line = 1;  // where the value starts, counted from 1
};

struct JsonMember {
  std::string key;
  std::size_t line = 1;  // where the key starts
  JsonValue value;
};

struct JsonError {
  std::size_t line = 1;
  std::string message;
};

// Nesting deeper than this is refused rather than recursed into.
inline constexpr std::size_t kMaxJsonDepth = 256;

// Parses one complete JSON text (RFC 8259): UTF-8, a single value with
// optional whitespace around it. The first fault ends parsing.
std::expected<JsonValue, JsonError> parse_json(std::string_view text);

// "an object", "an array", "a string", ... for messages about shapes.
std::string_view json_kind(const JsonValue& value);

}  // namespace brackwater::inspect
