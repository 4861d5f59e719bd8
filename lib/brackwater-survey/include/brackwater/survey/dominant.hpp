#pragma once

#include <compare>
#include <cstdint>
#include <optional>

#include "brackwater/dat/bytes.hpp"

namespace brackwater::survey {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend auto operator<=>(const Rgb&, const Rgb&) = default;
};

// The colour of a texture none of whose pixels counts.
inline constexpr Rgb kFallbackGrey{128, 128, 128};

// The mean colour of the fullest cell of a 16x16x16 grid over the RGBA8
// pixels whose alpha is at least 128; none when no pixel counts.
std::optional<Rgb> dominant_opaque_rgb(dat::ByteSpan rgba);

// The survey's colour of the pixels: dominant_opaque_rgb, or the fallback
// grey when no pixel counts.
Rgb dominant_rgb(dat::ByteSpan rgba);

}  // namespace brackwater::survey
