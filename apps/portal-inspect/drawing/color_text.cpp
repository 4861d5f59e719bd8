#include "color_text.hpp"

#include <array>

namespace brackwater::inspect {

std::string hex_color(const survey::Rgb& rgb) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  std::string text = "#";
  for (const std::uint8_t channel : std::array{rgb.r, rgb.g, rgb.b}) {
    text += kDigits[channel >> 4];
    text += kDigits[channel & 0xF];
  }
  return text;
}

}  // namespace brackwater::inspect
