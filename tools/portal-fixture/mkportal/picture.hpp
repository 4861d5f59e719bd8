#pragma once

// A texture's picture, drawn once at the size of its first mip; every
// further mip is the one before it halved, so all of them show the same
// thing and the last, whose colour a survey takes, looks like the first.

#include <cstdint>
#include <vector>

#include "texture_art.hpp"

namespace mkportal {

// RGBA8 pixels, rows top to bottom.
struct RgbaPicture {
  std::uint32_t side = 0;
  Bytes rgba;  // side * side pixels of red, green, blue, alpha

  std::uint8_t* at(std::uint32_t x, std::uint32_t y) {
    return rgba.data() + (std::size_t{y} * side + x) * 4;
  }
  const std::uint8_t* at(std::uint32_t x, std::uint32_t y) const {
    return rgba.data() + (std::size_t{y} * side + x) * 4;
  }

  // Half the side (at least 1), each pixel the mean of the 2 x 2 it covers.
  RgbaPicture halved() const;
  // The pixels stored in `kind`: a raw format byte for byte, or DXT blocks.
  Bytes encode(PixelKind kind) const;
};

// Palette indices, rows top to bottom.
struct IndexPicture {
  std::uint32_t side = 0;
  std::vector<std::uint8_t> indices;  // side * side

  // Half the side (at least 1), each index the most common of the 2 x 2 it
  // covers (of equally common ones, the first met).
  IndexPicture halved() const;
  // One byte per pixel (P8), or two little-endian bytes (Index16).
  Bytes encode(PixelKind kind) const;
};

}  // namespace mkportal
