#include "brackwater/survey/report.hpp"

#include <algorithm>
#include <array>
#include <charconv>

#include "brackwater/dat/display.hpp"

namespace brackwater::survey {
namespace {

// Longest entry line: `  "0x08FFFFFF": [255, 255, 255],` and its line feed.
constexpr std::size_t kBytesPerEntry = 36;

// Writes `value` in decimal at `at`; returns the end.
char* append_decimal(char* at, std::uint8_t value) {
  return std::to_chars(at, at + 3, value).ptr;
}

}  // namespace

std::string render_report(const ColorMap& colors) {
  std::string text;
  text.reserve(4 + colors.size() * kBytesPerEntry);
  text += "{\n";
  std::size_t remaining = colors.size();
  for (const auto& [id, rgb] : colors) {
    // The line is put together in place and appended whole.
    std::array<char, kBytesPerEntry> line;
    char* at = std::copy_n("  \"0x", 5, line.data());
    const std::string hex = dat::hex8(id);
    at = std::copy(hex.begin(), hex.end(), at);
    at = std::copy_n("\": [", 4, at);
    at = append_decimal(at, rgb.r);
    at = std::copy_n(", ", 2, at);
    at = append_decimal(at, rgb.g);
    at = std::copy_n(", ", 2, at);
    at = append_decimal(at, rgb.b);
    at = --remaining == 0 ? std::copy_n("]\n", 2, at) : std::copy_n("],\n", 3, at);
    text.append(line.data(), at);
  }
  text += "}\n";
  return text;
}

}  // namespace brackwater::survey
