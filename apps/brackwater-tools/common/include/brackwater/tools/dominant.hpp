#pragma once

#include <compare>
#include <cstdint>

#include "brackwater/dat/bytes.hpp"

namespace brackwater::tools {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend auto operator<=>(const Rgb&, const Rgb&) = default;
};

// The mean colour of the fullest cell of a 16x16x16 grid over the RGBA8
// pixels whose alpha is at least 128; mid grey when none count.
Rgb dominant_rgb(dat::ByteSpan rgba);

}  // namespace brackwater::tools
