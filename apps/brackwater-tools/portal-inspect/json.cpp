#include "json.hpp"

#include <cstdint>
#include <cstdio>
#include <utility>

namespace brackwater::inspect {
namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

int hex_digit_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The length of the well-formed UTF-8 sequence at the front of `s`, or 0
// (no overlong forms, no surrogates, nothing above U+10FFFF).
std::size_t utf8_sequence_length(std::string_view s) {
  const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned lead = byte(0);
  std::size_t length = 0;
  unsigned second_low = 0x80, second_high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) second_low = 0xA0;
    if (lead == 0xED) second_high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) second_low = 0x90;
    if (lead == 0xF4) second_high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  if (byte(1) < second_low || byte(1) > second_high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

void append_utf8(std::string& out, std::uint32_t code_point) {
  const auto put = [&out](std::uint32_t byte) { out.push_back(static_cast<char>(byte)); };
  if (code_point < 0x80) {
    put(code_point);
  } else if (code_point < 0x800) {
    put(0xC0 | code_point >> 6);
    put(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    put(0xE0 | code_point >> 12);
    put(0x80 | (code_point >> 6 & 0x3F));
    put(0x80 | (code_point & 0x3F));
  } else {
    put(0xF0 | code_point >> 18);
    put(0x80 | (code_point >> 12 & 0x3F));
    put(0x80 | (code_point >> 6 & 0x3F));
    put(0x80 | (code_point & 0x3F));
  }
}

bool is_high_surrogate(std::uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(std::uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::expected<JsonValue, JsonError> document() {
    skip_whitespace();
    auto value = parse_value(0);
    if (!value) return value;
    skip_whitespace();
    if (!at_end()) return fail("unexpected " + next_description() + " after the JSON value");
    return value;
  }

 private:
  using Result = std::expected<JsonValue, JsonError>;

  bool at_end() const { return pos_ == text_.size(); }
  char peek() const { return text_[pos_]; }

  // The next input as a message names it: 'x', byte 0x1F or the end of the input.
  std::string next_description() const {
    if (at_end()) return "the end of the input";
    const auto byte = static_cast<unsigned char>(peek());
    if (byte >= 0x20 && byte < 0x7F) return std::string("'") + peek() + "'";
    char text[16];
    std::snprintf(text, sizeof text, "byte 0x%02X", byte);
    return text;
  }

  std::unexpected<JsonError> fail(std::string message) const {
    return std::unexpected(JsonError{line_, std::move(message)});
  }

  void skip_whitespace() {
    while (!at_end()) {
      const char c = peek();
      if (c == '\n') {
        ++line_;
      } else if (c != ' ' && c != '\t' && c != '\r') {
        return;
      }
      ++pos_;
    }
  }

  // Consumes `c` if it is next.
  bool accept(char c) {
    if (at_end() || peek() != c) return false;
    ++pos_;
    return true;
  }

  Result parse_value(std::size_t depth) {
    if (at_end()) return fail("expected a JSON value, found the end of the input");
    const char c = peek();
    if (c == '{' || c == '[') {
      if (depth == kMaxJsonDepth) {
        return fail("nesting deeper than " + std::to_string(kMaxJsonDepth) + " levels");
      }
      return c == '{' ? parse_object(depth + 1) : parse_array(depth + 1);
    }
    if (c == '"') {
      const std::size_t line = line_;
      auto text = parse_string();
      if (!text) return std::unexpected(text.error());
      return JsonValue{std::move(*text), line};
    }
    if (c == '-' || is_digit(c)) return parse_number();
    if (c == 't' || c == 'f' || c == 'n') return parse_literal();
    return fail("expected a JSON value, found " + next_description());
  }

  Result parse_object(std::size_t depth) {
    JsonValue result{JsonObject{}, line_};
    auto& members = std::get<JsonObject>(result.value);
    ++pos_;  // '{'
    skip_whitespace();
    if (accept('}')) return result;
    while (true) {
      if (at_end() || peek() != '"') {
        return fail("expected a string key in an object, found " + next_description());
      }
      const std::size_t key_line = line_;
      auto key = parse_string();
      if (!key) return std::unexpected(key.error());
      skip_whitespace();
      if (!accept(':')) {
        return fail("expected ':' after an object key, found " + next_description());
      }
      skip_whitespace();
      auto value = parse_value(depth);
      if (!value) return value;
      members.push_back(JsonMember{std::move(*key), key_line, std::move(*value)});
      skip_whitespace();
      if (accept('}')) return result;
      if (!accept(',')) {
        return fail("expected ',' or '}' after an object member, found " + next_description());
      }
      skip_whitespace();
    }
  }

  Result parse_array(std::size_t depth) {
    JsonValue result{JsonArray{}, line_};
    auto& elements = std::get<JsonArray>(result.value);
    ++pos_;  // '['
    skip_whitespace();
    if (accept(']')) return result;
    while (true) {
      auto value = parse_value(depth);
      if (!value) return value;
      elements.push_back(std::move(*value));
      skip_whitespace();
      if (accept(']')) return result;
      if (!accept(',')) {
        return fail("expected ',' or ']' after an array element, found " + next_description());
      }
      skip_whitespace();
    }
  }

  std::expected<std::string, JsonError> parse_string() {
    std::string out;
    ++pos_;  // '"'
    while (true) {
      if (at_end()) return fail("unterminated string");
      const auto byte = static_cast<unsigned char>(peek());
      if (byte == '"') {
        ++pos_;
        return out;
      }
      if (byte == '\\') {
        if (auto escaped = parse_escape(out); !escaped) return std::unexpected(escaped.error());
      } else if (byte < 0x20) {
        return fail("unescaped control character " + next_description() + " in a string");
      } else if (byte < 0x80) {
        out.push_back(peek());
        ++pos_;
      } else {
        const std::size_t length = utf8_sequence_length(text_.substr(pos_));
        if (length == 0) return fail("invalid UTF-8 at " + next_description() + " in a string");
        out.append(text_.substr(pos_, length));
        pos_ += length;
      }
    }
  }

  // One escape sequence after its backslash, appended to `out` as UTF-8.
  std::expected<void, JsonError> parse_escape(std::string& out) {
    ++pos_;  // '\'
    if (at_end()) return fail("unterminated string");
    const char c = peek();
    ++pos_;
    switch (c) {
      case '"':
        out.push_back('"');
        return {};
      case '\\':
        out.push_back('\\');
        return {};
      case '/':
        out.push_back('/');
        return {};
      case 'b':
        out.push_back('\b');
        return {};
      case 'f':
        out.push_back('\f');
        return {};
      case 'n':
        out.push_back('\n');
        return {};
      case 'r':
        out.push_back('\r');
        return {};
      case 't':
        out.push_back('\t');
        return {};
      case 'u':
        break;
      default:
        --pos_;
        return fail("invalid escape: " + next_description() + " after a backslash in a string");
    }
    auto unit = parse_hex4();
    if (!unit) return std::unexpected(unit.error());
    std::uint32_t code_point = *unit;
    if (is_low_surrogate(code_point)) return fail("unpaired surrogate in a \\u escape");
    if (is_high_surrogate(code_point)) {
      if (!accept('\\') || !accept('u')) return fail("unpaired surrogate in a \\u escape");
      auto low = parse_hex4();
      if (!low) return std::unexpected(low.error());
      if (!is_low_surrogate(*low)) return fail("unpaired surrogate in a \\u escape");
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (*low - 0xDC00);
    }
    append_utf8(out, code_point);
    return {};
  }

  std::expected<std::uint32_t, JsonError> parse_hex4() {
    std::uint32_t unit = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = at_end() ? -1 : hex_digit_value(peek());
      if (digit < 0) return fail("expected four hex digits after \\u");
      unit = unit << 4 | static_cast<std::uint32_t>(digit);
      ++pos_;
    }
    return unit;
  }

  // -? (0 | [1-9][0-9]*) (.[0-9]+)? ([eE][+-]?[0-9]+)?
  Result parse_number() {
    const std::size_t start = pos_;
    accept('-');
    if (accept('0')) {
      if (!at_end() && is_digit(peek())) return fail("number with a leading zero");
    } else if (!skip_digits()) {
      return fail("expected a digit in a number, found " + next_description());
    }
    if (accept('.') && !skip_digits()) {
      return fail("expected a digit after '.' in a number, found " + next_description());
    }
    if (accept('e') || accept('E')) {
      if (!accept('+')) accept('-');
      if (!skip_digits()) {
        return fail("expected a digit in a number's exponent, found " + next_description());
      }
    }
    return JsonValue{JsonNumber{std::string(text_.substr(start, pos_ - start))}, line_};
  }

  // Consumes a run of digits; false when there is none.
  bool skip_digits() {
    const std::size_t start = pos_;
    while (!at_end() && is_digit(peek())) ++pos_;
    return pos_ != start;
  }

  Result parse_literal() {
    if (accept_word("true")) return JsonValue{true, line_};
    if (accept_word("false")) return JsonValue{false, line_};
    if (accept_word("null")) return JsonValue{nullptr, line_};
    return fail("expected a JSON value, found " + next_description());
  }

  bool accept_word(std::string_view word) {
    if (!text_.substr(pos_).starts_with(word)) return false;
    pos_ += word.size();
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
};

}  // namespace

std::expected<JsonValue, JsonError> parse_json(std::string_view text) {
  return Parser(text).document();
}

std::string_view json_kind(const JsonValue& value) {
  constexpr std::string_view kKinds[] = {"null",     "a boolean", "a number",
                                         "a string", "an array",  "an object"};
  return kKinds[value.value.index()];
}

}  // namespace brackwater::inspect
