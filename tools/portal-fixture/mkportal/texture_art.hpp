#pragma once

// Building blocks of generated textures: DXT blocks and the encoding of
// pictures into them.

#include <cstdint>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/file_type/pixel_format.hpp"

namespace mkportal {

using brackwater::dat::Bytes;
using brackwater::dat::ByteSpan;
using PixelKind = brackwater::dat::PixelFormat::Kind;

// DXT blocks cover 4x4 tiles; edge tiles are partly outside the picture.
std::uint64_t dxt_tiles(std::uint32_t width, std::uint32_t height);

// The colour half of a DXT block: RGB565 endpoints c0 and c1, then a 2-bit
// index per pixel, pixel 0 (top left) in the lowest bits. DXT1 blocks are
// this alone.
void put_colour_block(Bytes& out, std::uint16_t c0, std::uint16_t c1, std::uint32_t indices);
// The alpha half of a DXT3 block: a 4-bit alpha per pixel, pixel 0 lowest.
void put_dxt3_alpha(Bytes& out, std::uint64_t alphas);
// The alpha half of a DXT5 block: endpoints a0 and a1, then a 3-bit index
// per pixel in 48 bits, pixel 0 lowest.
void put_dxt5_alpha(Bytes& out, std::uint8_t a0, std::uint8_t a1, std::uint64_t indices);

// An RGBA8 pixel's colour in 5, 6 and 5 bits, red highest.
std::uint16_t rgb565(const std::uint8_t* pixel);

// `width` x `height` RGBA8 pixels as DXT1, DXT3 or DXT5 blocks. Each block's
// colours run from its darkest pixel to its brightest (its alphas, for DXT5,
// from the least opaque to the most), and each pixel takes the nearest.
Bytes encode_dxt(PixelKind kind, std::uint32_t width, std::uint32_t height, ByteSpan rgba);

}  // namespace mkportal
