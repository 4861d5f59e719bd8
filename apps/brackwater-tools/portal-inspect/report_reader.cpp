#include "report_reader.hpp"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "brackwater/dat/display.hpp"

namespace brackwater::inspect {
namespace {

constexpr std::size_t kChannels = 3;
// Keys are shown in messages up to this many bytes, so a message stays one line.
constexpr std::size_t kShownKeyBytes = 40;

// `key` in double quotes, shortened and with control characters shown as '?'.
std::string quoted_key(std::string_view key) {
  std::string shown(key.substr(0, kShownKeyBytes));
  std::replace_if(
      shown.begin(), shown.end(),
      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
  if (key.size() > kShownKeyBytes) shown += "...";
  return '"' + dat::utf8_lossy(shown) + '"';
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

// A channel written as a plain integer from 0 to 255 (no sign, fraction or exponent).
std::optional<std::uint8_t> parse_channel(const JsonValue& value) {
  const auto* number = std::get_if<JsonNumber>(&value.value);
  if (number == nullptr || number->text.size() > 3) return std::nullopt;
  if (!std::all_of(number->text.begin(), number->text.end(),
                   [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const int channel = std::stoi(number->text);
  if (channel > 255) return std::nullopt;
  return static_cast<std::uint8_t>(channel);
}

std::string shown_value(const JsonValue& value) {
  if (const auto* number = std::get_if<JsonNumber>(&value.value)) return number->text;
  return std::string(json_kind(value));
}

std::unexpected<JsonError> fail(std::size_t line, std::string message) {
  return std::unexpected(JsonError{line, std::move(message)});
}

std::expected<tools::Rgb, JsonError> parse_color(const JsonMember& member) {
  const auto* channels = std::get_if<JsonArray>(&member.value.value);
  if (channels == nullptr || channels->size() != kChannels) {
    const std::string found = channels == nullptr
                                  ? std::string(json_kind(member.value))
                                  : "an array of " + std::to_string(channels->size());
    return fail(member.value.line,
                "the value of " + quoted_key(member.key) + " must be [r, g, b], found " + found);
  }
  std::uint8_t rgb[kChannels];
  for (std::size_t i = 0; i < kChannels; ++i) {
    const auto channel = parse_channel((*channels)[i]);
    if (!channel) {
      return fail((*channels)[i].line, "a colour channel of " + quoted_key(member.key) +
                                           " must be an integer from 0 to 255, found " +
                                           shown_value((*channels)[i]));
    }
    rgb[i] = *channel;
  }
  return tools::Rgb{rgb[0], rgb[1], rgb[2]};
}

}  // namespace

std::expected<tools::ColorMap, JsonError> read_report(std::string_view text) {
  auto document = parse_json(text);
  if (!document) return std::unexpected(document.error());
  const auto* members = std::get_if<JsonObject>(&document->value);
  if (members == nullptr) {
    return fail(document->line, "a report must be an object of surface colours, found " +
                                    std::string(json_kind(*document)));
  }
  tools::ColorMap colors;
  std::map<std::uint32_t, std::size_t> first_line;
  for (const JsonMember& member : *members) {
    const auto id = parse_key(member.key);
    if (!id) {
      return fail(member.line, "key " + quoted_key(member.key) +
                                   " is not an id written \"0x\" and eight upper-case hex digits");
    }
    if (const auto seen = first_line.find(*id); seen != first_line.end()) {
      return fail(member.line, "duplicate key " + quoted_key(member.key) + " (first on line " +
                                   std::to_string(seen->second) + ")");
    }
    auto rgb = parse_color(member);
    if (!rgb) return std::unexpected(rgb.error());
    first_line.emplace(*id, member.line);
    colors.emplace(*id, *rgb);
  }
  return colors;
}

}  // namespace brackwater::inspect
