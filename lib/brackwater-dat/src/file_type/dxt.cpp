#include "brackwater/dat/file_type/dxt.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>

namespace brackwater::dat {
namespace {

using Rgba = std::array<std::uint8_t, 4>;
using ColorPalette = std::array<Rgba, 4>;
using AlphaPalette = std::array<std::uint8_t, 8>;

constexpr std::size_t kTileSide = 4;
constexpr std::size_t kColorBlockSize = 8;

// One decoded 4x4 tile: pixel p (row p / 4, column p % 4) at byte 4 * p.
using Tile = std::array<std::uint8_t, kTileSide * kTileSide * 4>;

// Eight bytes of a block as one little-endian number.
std::uint64_t load_le64(const std::uint8_t* bytes) {
  std::uint64_t value;
  std::memcpy(&value, bytes, sizeof value);
  if constexpr (std::endian::native == std::endian::big) value = std::byteswap(value);
  return value;
}

// 5- and 6-bit channels widen with these formulas, which differ slightly from
// both bit replication and rounding to nearest.
constexpr std::uint32_t expand5(std::uint32_t x) {
  const std::uint32_t t = x * 255 + 16;
  return (t + (t >> 5)) >> 5;
}

constexpr std::uint32_t expand6(std::uint32_t x) {
  const std::uint32_t t = x * 255 + 32;
  return (t + (t >> 6)) >> 6;
}

// RGB565: red in bits 11-15, green in 5-10, blue in 0-4.
std::array<std::uint32_t, 3> expand565(std::uint32_t color) {
  return {expand5(color >> 11), expand6((color >> 5) & 0x3F), expand5(color & 0x1F)};
}

// The four colours a colour block's 2-bit indices select. The four-colour rule
// interpolates thirds; the three-colour rule takes the midpoint and makes
// index 3 transparent black. Every division truncates.
ColorPalette color_palette(std::uint32_t c0, std::uint32_t c1, bool four_colors) {
  const auto e0 = expand565(c0);
  const auto e1 = expand565(c1);
  ColorPalette palette{};
  for (std::size_t ch = 0; ch < 3; ++ch) {
    palette[0][ch] = static_cast<std::uint8_t>(e0[ch]);
    palette[1][ch] = static_cast<std::uint8_t>(e1[ch]);
    if (four_colors) {
      palette[2][ch] = static_cast<std::uint8_t>((2 * e0[ch] + e1[ch]) / 3);
      palette[3][ch] = static_cast<std::uint8_t>((e0[ch] + 2 * e1[ch]) / 3);
    } else {
      palette[2][ch] = static_cast<std::uint8_t>((e0[ch] + e1[ch]) / 2);
    }
  }
  palette[0][3] = palette[1][3] = palette[2][3] = 255;
  palette[3][3] = four_colors ? 255 : 0;
  return palette;
}

// Colour block: c0 (2 bytes), c1 (2 bytes), then sixteen 2-bit indices.
// Only DXT1 lets c0 <= c1 select the three-colour rule.
void decode_color_block(const std::uint8_t* block, bool allow_three_colors, Tile& tile) {
  const std::uint64_t bits = load_le64(block);
  const auto c0 = static_cast<std::uint32_t>(bits & 0xFFFF);
  const auto c1 = static_cast<std::uint32_t>((bits >> 16) & 0xFFFF);
  const auto indices = static_cast<std::uint32_t>(bits >> 32);
  const ColorPalette palette = color_palette(c0, c1, !allow_three_colors || c0 > c1);
  for (std::size_t p = 0; p < 16; ++p) {
    std::memcpy(tile.data() + 4 * p, palette[(indices >> (2 * p)) & 3].data(), 4);
  }
}

// DXT3 alpha block: sixteen 4-bit alphas, pixel p in byte p / 2, even pixels
// in the low nibble.
void decode_explicit_alpha(const std::uint8_t* block, Tile& tile) {
  const std::uint64_t nibbles = load_le64(block);
  for (std::size_t p = 0; p < 16; ++p) {
    tile[4 * p + 3] = static_cast<std::uint8_t>(((nibbles >> (4 * p)) & 0xF) * 17);
  }
}

// The eight alphas of a DXT5 block. a0 > a1 interpolates six steps between
// them; otherwise four, plus 0 and 255. Every division truncates.
AlphaPalette alpha_palette(std::uint32_t a0, std::uint32_t a1) {
  AlphaPalette alphas{};
  alphas[0] = static_cast<std::uint8_t>(a0);
  alphas[1] = static_cast<std::uint8_t>(a1);
  if (a0 > a1) {
    for (std::uint32_t i = 2; i < 8; ++i) {
      alphas[i] = static_cast<std::uint8_t>(((8 - i) * a0 + (i - 1) * a1) / 7);
    }
  } else {
    for (std::uint32_t i = 2; i < 6; ++i) {
      alphas[i] = static_cast<std::uint8_t>(((6 - i) * a0 + (i - 1) * a1) / 5);
    }
    alphas[6] = 0;
    alphas[7] = 255;
  }
  return alphas;
}

// DXT5 alpha block: a0, a1, then sixteen 3-bit indices in 48 little-endian bits.
void decode_interpolated_alpha(const std::uint8_t* block, Tile& tile) {
  const std::uint64_t bits = load_le64(block);
  const AlphaPalette alphas = alpha_palette(static_cast<std::uint32_t>(bits & 0xFF),
                                            static_cast<std::uint32_t>((bits >> 8) & 0xFF));
  const std::uint64_t indices = bits >> 16;
  for (std::size_t p = 0; p < 16; ++p) {
    tile[4 * p + 3] = alphas[(indices >> (3 * p)) & 7];
  }
}

// width * height * 4. A size beyond the address space saturates so that the
// allocation fails instead of wrapping to a small buffer.
std::size_t output_size(std::uint32_t width, std::uint32_t height) {
  const std::uint64_t pixels = std::uint64_t{width} * height;  // both below 2^32: no overflow
  if (pixels > std::numeric_limits<std::size_t>::max() / 4) {
    return std::numeric_limits<std::size_t>::max();
  }
  return static_cast<std::size_t>(pixels) * 4;
}

// Blocks follow each other in tile order: left to right, then top to bottom.
// Every block is consumed whole; an edge tile writes only its pixels inside
// the image. Decoding stops at the first block the input does not hold.
template <std::size_t kBlockSize, class DecodeBlock>
Bytes decompress_blocks(ByteSpan data, std::uint32_t width, std::uint32_t height,
                        DecodeBlock decode_block) {
  Bytes out(output_size(width, height));
  if (out.empty()) return out;

  const std::size_t row_bytes = std::size_t{width} * 4;
  const std::size_t tiles_across = (std::size_t{width} + 3) / kTileSide;
  const std::size_t tiles_down = (std::size_t{height} + 3) / kTileSide;
  const std::size_t blocks_held = data.size() / kBlockSize;
  const std::uint8_t* block = data.data();
  std::size_t blocks_read = 0;
  Tile tile;
  for (std::size_t ty = 0; ty < tiles_down; ++ty) {
    const std::size_t y0 = ty * kTileSide;
    const std::size_t rows = std::min(kTileSide, height - y0);
    std::uint8_t* tile_row = out.data() + y0 * row_bytes;
    for (std::size_t tx = 0; tx < tiles_across; ++tx) {
      if (blocks_read == blocks_held) return out;
      decode_block(block, tile);
      block += kBlockSize;
      ++blocks_read;

      const std::size_t x0 = tx * kTileSide;
      const std::size_t columns = std::min(kTileSide, width - x0);
      std::uint8_t* target = tile_row + x0 * 4;
      if (rows == kTileSide && columns == kTileSide) {
        for (std::size_t r = 0; r < kTileSide; ++r) {
          std::memcpy(target + r * row_bytes, tile.data() + r * 16, 16);
        }
      } else {
        for (std::size_t r = 0; r < rows; ++r) {
          std::memcpy(target + r * row_bytes, tile.data() + r * 16, columns * 4);
        }
      }
    }
  }
  return out;
}

}  // namespace

// DXT1 block: one colour block.
Bytes decompress_dxt1(ByteSpan data, std::uint32_t width, std::uint32_t height) {
  return decompress_blocks<kColorBlockSize>(
      data, width, height, [](const std::uint8_t* block, Tile& tile) {
        decode_color_block(block, /*allow_three_colors=*/true, tile);
      });
}

// DXT3 block: explicit alpha block, then a colour block.
Bytes decompress_dxt3(ByteSpan data, std::uint32_t width, std::uint32_t height) {
  return decompress_blocks<2 * kColorBlockSize>(
      data, width, height, [](const std::uint8_t* block, Tile& tile) {
        decode_color_block(block + kColorBlockSize, /*allow_three_colors=*/false, tile);
        decode_explicit_alpha(block, tile);
      });
}

// DXT5 block: interpolated alpha block, then a colour block.
Bytes decompress_dxt5(ByteSpan data, std::uint32_t width, std::uint32_t height) {
  return decompress_blocks<2 * kColorBlockSize>(
      data, width, height, [](const std::uint8_t* block, Tile& tile) {
        decode_color_block(block + kColorBlockSize, /*allow_three_colors=*/false, tile);
        decode_interpolated_alpha(block, tile);
      });
}

}  // namespace brackwater::dat
