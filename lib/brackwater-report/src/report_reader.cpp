#include "brackwater/report/report_reader.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <unordered_map>

#include "brackwater/dat/display.hpp"

namespace brackwater::report {
namespace {

constexpr std::size_t kChannels = 3;
// Keys, numbers and other tokens are shown in messages up to this many
// bytes, so that a message stays one short line.
constexpr std::size_t kShownTokenBytes = 40;

// `token` cut to kShownTokenBytes, "..." marking the cut.
std::string shortened(std::string_view token) {
  if (token.size() <= kShownTokenBytes) return std::string(token);
  return std::string(token.substr(0, kShownTokenBytes)) + "...";
}

// `key` in double quotes, shortened and with control characters shown as '?'.
std::string quoted_key(std::string_view key) {
  std::string shown = shortened(key);
  std::replace_if(
      shown.begin(), shown.end(),
      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
  return '"' + dat::utf8_lossy(shown) + '"';
}

// The parser's message with the token it quotes ("last read: '...'", then
// perhaps "; expected ...", or "number overflow parsing '...'") shortened.
std::string with_quoted_token_shortened(std::string_view message) {
  for (const std::string_view lead : {"last read: '", "parsing '"}) {
    const std::size_t start = message.find(lead);
    if (start == message.npos) continue;
    const std::size_t token = start + lead.size();
    // What follows the token is short ("'; expected ':'"); the token, any
    // bytes at all, may hold the same words.
    std::size_t end = message.rfind("'; expected ");
    if (end == message.npos || end < token || message.size() - end > kShownTokenBytes) {
      end = message.ends_with('\'') ? message.size() - 1 : message.npos;
    }
    if (end == message.npos || end < token) continue;
    return std::string(message.substr(0, token)) + shortened(message.substr(token, end - token)) +
           std::string(message.substr(end));
  }
  return std::string(message);
}

bool is_upper_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The id of a key written exactly "0x" and eight upper-case hex digits.
std::optional<std::uint32_t> parse_key(std::string_view key) {
  if (key.size() != 10 || !key.starts_with("0x")) return std::nullopt;
  if (!std::all_of(key.begin() + 2, key.end(), is_upper_hex)) return std::nullopt;
  return static_cast<std::uint32_t>(std::stoul(std::string(key.substr(2)), nullptr, 16));
}

struct Fault {
  std::size_t line = 1;
  std::string message;
};

// A value as a message names it: a number as written, anything else by kind.
struct Shown {
  std::string kind;  // "a number", "an array", ...
  std::string text;  // the number's text, or the kind
};

// Follows the parser's events through the one shape a report has: an object
// (depth 1) of arrays (depth 2) of three numbers. It stops at the first value
// that leaves that shape, so nothing is nested deeper and no long array is
// walked to its end. Within a colour, a wrong count is told before a wrong
// channel, as far as the count is known: a fourth element ends it at once.
class ReportShape {
 public:
  using json = nlohmann::json;

  explicit ReportShape(const ReportInput& input) : input_(input) {}

  survey::ColorMap colors;
  std::optional<Fault> fault;

  bool null() { return value({"null", "null"}); }
  bool boolean(bool) { return value({"a boolean", "a boolean"}); }
  // Only a leading '-' makes a number signed, so a signed 0 was written "-0".
  bool number_integer(json::number_integer_t number) {
    return value({"a number", number == 0 ? "-0" : std::to_string(number)});
  }
  bool number_unsigned(json::number_unsigned_t number) {
    if (depth_ == 2 && count_ < kChannels && number <= 255) {
      rgb_[count_++] = static_cast<std::uint8_t>(number);
      return true;
    }
    return value({"a number", std::to_string(number)});
  }
  bool number_float(json::number_float_t, const json::string_t& text) {
    return value({"a number", text});
  }
  bool string(json::string_t&) { return value({"a string", "a string"}); }
  bool binary(json::binary_t&) { return value({"binary", "binary"}); }
  bool start_object(std::size_t) { return open(depth_ == 0, {"an object", "an object"}); }
  bool start_array(std::size_t) { return open(depth_ == 1, {"an array", "an array"}); }
  bool end_object() { return close(); }
  bool end_array() { return close(); }

  // Only the report's own object is ever opened, so every key is an entry's.
  bool key(json::string_t& key) {
    const auto id = parse_key(key);
    if (!id) {
      return fail("key " + quoted_key(key) +
                  " is not an id written \"0x\" and eight upper-case hex digits");
    }
    const auto [seen, first] = first_line_.try_emplace(*id, input_.line());
    if (!first) {
      return fail("duplicate key " + quoted_key(key) + " (first on line " +
                  std::to_string(seen->second) + ")");
    }
    id_ = *id;
    key_ = quoted_key(key);
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) {
    // "[json.exception.parse_error.101] parse error at line 1, column 2: {what}"
    const std::string_view text = error.what();
    const std::size_t what = text.find(": ", text.find("parse error"));
    return fail(with_quoted_token_shortened(what == text.npos ? text : text.substr(what + 2)));
  }

 private:
  // A scalar, or a container about to be opened, where the shape has none.
  bool value(const Shown& shown) {
    if (depth_ == 0) {
      return fail("a report must be an object of surface colours, found " + shown.kind);
    }
    if (depth_ == 1) {
      return fail("the value of " + key_ + " must be [r, g, b], found " + shown.kind);
    }
    if (count_ == kChannels) {
      return fail_at(colour_line_,
                     "the value of " + key_ + " must be [r, g, b], found an array of more than 3");
    }
    if (!bad_channel_) bad_channel_ = Fault{input_.line(), shortened(shown.text)};
    ++count_;
    return true;
  }

  // `expected`: the report's object at the top, or a colour's array in it.
  bool open(bool expected, const Shown& shown) {
    if (!expected) {
      // Nothing inside a colour is followed: its channel is wrong already.
      return value(shown) && fail_at(bad_channel_->line, channel_fault());
    }
    if (depth_ == 1) {
      count_ = 0;
      bad_channel_.reset();
      colour_line_ = input_.line();
    }
    ++depth_;
    return true;
  }

  // Back at depth 1 a colour's array has closed: member values that are not
  // arrays never open.
  bool close() {
    if (--depth_ != 1) return true;
    if (count_ != kChannels) {
      return fail_at(colour_line_, "the value of " + key_ +
                                       " must be [r, g, b], found an array of " +
                                       std::to_string(count_));
    }
    if (bad_channel_) return fail_at(bad_channel_->line, channel_fault());
    colors.emplace(id_, survey::Rgb{rgb_[0], rgb_[1], rgb_[2]});
    return true;
  }

  std::string channel_fault() const {
    return "a colour channel of " + key_ + " must be an integer from 0 to 255, found " +
           bad_channel_->message;
  }

  bool fail(std::string message) { return fail_at(input_.line(), std::move(message)); }
  bool fail_at(std::size_t line, std::string message) {
    fault = Fault{line, std::move(message)};
    return false;
  }

  const ReportInput& input_;
  std::size_t depth_ = 0;
  std::unordered_map<std::uint32_t, std::size_t> first_line_;
  std::uint32_t id_ = 0;
  std::string key_;
  std::size_t colour_line_ = 1;
  std::size_t count_ = 0;
  std::array<std::uint8_t, kChannels> rgb_{};
  std::optional<Fault> bad_channel_;
};

}  // namespace

std::expected<survey::ColorMap, std::string> read_report(std::string_view name, InputStream file) {
  const std::string too_large = std::string(name) + " is too large to be a report: more than " +
                                std::to_string(ReportInput::kMaxBytes) + " bytes";
  if (file.size > ReportInput::kMaxBytes) return std::unexpected(too_large);
  ReportInput input(std::move(file.read));
  const std::string lead = std::string(name) + ": line ";
  if (input.starts_with_byte_order_mark()) {
    return std::unexpected(lead + "1: expected a JSON value, found byte 0xEF");
  }
  ReportShape shape(input);
  const bool read = nlohmann::json::sax_parse(input.begin(), ReportInput::end(), &shape);
  switch (input.stop()) {
    case ReportInput::Stop::ReadFailed:
      return std::unexpected(input.read_failure());
    case ReportInput::Stop::TooLarge:
      return std::unexpected(too_large);
    case ReportInput::Stop::TokenTooLong:
      return std::unexpected(lead + std::to_string(input.line()) + ": a token of more than " +
                             std::to_string(ReportInput::kMaxTokenBytes) +
                             " bytes, which no report holds");
    case ReportInput::Stop::NulByte:
      return std::unexpected(lead + std::to_string(input.line()) + ": unexpected byte 0x00");
    case ReportInput::Stop::None:
      break;
  }
  if (!read) {
    return std::unexpected(lead + std::to_string(shape.fault->line) + ": " + shape.fault->message);
  }
  return std::move(shape.colors);
}

}  // namespace brackwater::report
