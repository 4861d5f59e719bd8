#pragma once

#include <cstdint>
#include <expected>
#include <string>

#include "brackwater/dat/bytes.hpp"

namespace brackwater::image {

// An 8-bit RGBA image: width * height * 4 bytes, rows from the top.
struct RgbaImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  dat::Bytes pixels;
};

// How hard zlib works on a PNG: its level (0 to 9) and the row filters
// libpng may choose from (PNG_FILTER_NONE, 0x08, ... PNG_ALL_FILTERS, 0xF8).
// On the textures of a client-shaped archive (DXT, paletted and direct
// colour, measured with bench/png_levels), level 1 without filters gives 38%
// of the raw RGBA at 70 MB/s; level 6 gives 35% at 18 MB/s, and adaptive
// filtering makes such textures larger at every level (53 to 55%).
struct PngSettings {
  int level = 1;
  int filters = 0x08;
};

// `image` as the bytes of a PNG file; the failure is libpng's reason.
std::expected<dat::Bytes, std::string> encode_png(const RgbaImage& image,
                                                  const PngSettings& settings = {});

}  // namespace brackwater::image
