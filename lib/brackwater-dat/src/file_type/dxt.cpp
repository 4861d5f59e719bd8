#include "brackwater/dat/file_type/dxt.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>

namespace brackwater::dat {
namespace {

// One RGBA8 pixel as a word whose bytes in memory are red, green, blue,
// alpha on any host, so a tile is stored with one copy per pixel.
using PixelWord = std::uint32_t;
using ColorPalette = std::array<PixelWord, 4>;
using AlphaPalette = std::array<PixelWord, 8>;

constexpr std::size_t kTileSide = 4;
constexpr std::size_t kColorBlockSize = 8;

// One decoded 4x4 tile: pixel p at row p / 4, column p % 4.
using Tile = std::array<PixelWord, kTileSide * kTileSide>;

constexpr PixelWord rgba(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
  return std::bit_cast<PixelWord>(
      std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                  static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(a)});
}

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

// Both expansions tabulated: every block expands six channels.
template <std::size_t kSize, std::uint32_t (*kExpand)(std::uint32_t)>
constexpr std::array<std::uint8_t, kSize> expansion_table() {
  std::array<std::uint8_t, kSize> table{};
  for (std::uint32_t x = 0; x < kSize; ++x) table[x] = static_cast<std::uint8_t>(kExpand(x));
  return table;
}

constexpr auto kExpand5 = expansion_table<32, expand5>();
constexpr auto kExpand6 = expansion_table<64, expand6>();

// The four colours a colour block's 2-bit indices select, with alpha `alpha`.
// c0 and c1 are RGB565 (red in bits 11-15, green in 5-10, blue in 0-4). The
// four-colour rule interpolates thirds; the three-colour rule takes the
// midpoint and makes index 3 transparent black. Every division truncates.
ColorPalette color_palette(std::uint32_t c0, std::uint32_t c1, bool four_colors,
                           std::uint32_t alpha) {
  const std::uint32_t r0 = kExpand5[c0 >> 11];
  const std::uint32_t g0 = kExpand6[(c0 >> 5) & 0x3F];
  const std::uint32_t b0 = kExpand5[c0 & 0x1F];
  const std::uint32_t r1 = kExpand5[c1 >> 11];
  const std::uint32_t g1 = kExpand6[(c1 >> 5) & 0x3F];
  const std::uint32_t b1 = kExpand5[c1 & 0x1F];
  if (four_colors) {
    return {rgba(r0, g0, b0, alpha), rgba(r1, g1, b1, alpha),
            rgba((2 * r0 + r1) / 3, (2 * g0 + g1) / 3, (2 * b0 + b1) / 3, alpha),
            rgba((r0 + 2 * r1) / 3, (g0 + 2 * g1) / 3, (b0 + 2 * b1) / 3, alpha)};
  }
  return {rgba(r0, g0, b0, alpha), rgba(r1, g1, b1, alpha),
          rgba((r0 + r1) / 2, (g0 + g1) / 2, (b0 + b1) / 2, alpha), rgba(0, 0, 0, 0)};
}

// A colour block alone is DXT1: c0 <= c1 selects the three-colour rule and
// colours are opaque. Beside an alpha block (DXT3, DXT5) it always has four
// colours, with alpha 0 for the alpha block's value to be or-ed in.
enum class ColorBlockUse { Alone, WithAlphaBlock };

// Colour block: c0 (2 bytes), c1 (2 bytes), then sixteen 2-bit indices,
// pixel p's at bits 2p.
struct ColorBlock {
  ColorPalette palette;
  std::uint32_t indices;

  PixelWord pixel(std::size_t p) const { return palette[(indices >> (2 * p)) & 3]; }
};

ColorBlock read_color_block(const std::uint8_t* block, ColorBlockUse use) {
  const std::uint64_t bits = load_le64(block);
  const auto c0 = static_cast<std::uint32_t>(bits & 0xFFFF);
  const auto c1 = static_cast<std::uint32_t>((bits >> 16) & 0xFFFF);
  const bool alone = use == ColorBlockUse::Alone;
  return {color_palette(c0, c1, !alone || c0 > c1, alone ? 255 : 0),
          static_cast<std::uint32_t>(bits >> 32)};
}

// The eight alphas of a DXT5 block, as pixel words. a0 > a1 interpolates six
// steps between them; otherwise four, plus 0 and 255. Every division truncates.
AlphaPalette alpha_palette(std::uint32_t a0, std::uint32_t a1) {
  AlphaPalette alphas{};
  alphas[0] = rgba(0, 0, 0, a0);
  alphas[1] = rgba(0, 0, 0, a1);
  if (a0 > a1) {
    for (std::uint32_t i = 2; i < 8; ++i) {
      alphas[i] = rgba(0, 0, 0, ((8 - i) * a0 + (i - 1) * a1) / 7);
    }
  } else {
    for (std::uint32_t i = 2; i < 6; ++i) {
      alphas[i] = rgba(0, 0, 0, ((6 - i) * a0 + (i - 1) * a1) / 5);
    }
    alphas[6] = rgba(0, 0, 0, 0);
    alphas[7] = rgba(0, 0, 0, 255);
  }
  return alphas;
}

// DXT1 block: one colour block.
void decode_dxt1_block(const std::uint8_t* block, Tile& tile) {
  const ColorBlock color = read_color_block(block, ColorBlockUse::Alone);
  for (std::size_t p = 0; p < tile.size(); ++p) tile[p] = color.pixel(p);
}

// DXT3 block: sixteen 4-bit alphas (pixel p in byte p / 2, even pixels in the
// low nibble), then a colour block. A nibble n widens to n * 17, which is n
// copied into both halves of its byte: done for all sixteen at once, the even
// pixels' alphas land in the bytes of one word and the odd pixels' in another.
void decode_dxt3_block(const std::uint8_t* block, Tile& tile) {
  constexpr std::uint64_t kLowNibbles = 0x0F0F0F0F0F0F0F0F;
  const std::uint64_t nibbles = load_le64(block);
  std::uint64_t even = nibbles & kLowNibbles;
  std::uint64_t odd = (nibbles >> 4) & kLowNibbles;
  even |= even << 4;
  odd |= odd << 4;
  const ColorBlock color = read_color_block(block + kColorBlockSize, ColorBlockUse::WithAlphaBlock);
  for (std::size_t k = 0; k < tile.size() / 2; ++k) {
    tile[2 * k] = color.pixel(2 * k) | rgba(0, 0, 0, static_cast<std::uint8_t>(even >> (8 * k)));
    tile[2 * k + 1] =
        color.pixel(2 * k + 1) | rgba(0, 0, 0, static_cast<std::uint8_t>(odd >> (8 * k)));
  }
}

// DXT5 block: a0, a1, sixteen 3-bit alpha indices in 48 little-endian bits,
// then a colour block.
void decode_dxt5_block(const std::uint8_t* block, Tile& tile) {
  const std::uint64_t bits = load_le64(block);
  const AlphaPalette alphas = alpha_palette(static_cast<std::uint32_t>(bits & 0xFF),
                                            static_cast<std::uint32_t>((bits >> 8) & 0xFF));
  const std::uint64_t alpha_indices = bits >> 16;
  const ColorBlock color = read_color_block(block + kColorBlockSize, ColorBlockUse::WithAlphaBlock);
  for (std::size_t p = 0; p < tile.size(); ++p) {
    tile[p] = color.pixel(p) | alphas[(alpha_indices >> (3 * p)) & 7];
  }
}

// The first `rows` rows of a tile, to the strip at `target` (its top left
// pixel).
void store_tile(const Tile& tile, std::uint8_t* target, std::size_t stride, std::size_t rows) {
  for (std::size_t r = 0; r < rows; ++r) {
    std::memcpy(target + r * stride, &tile[r * kTileSide], kTileSide * sizeof(PixelWord));
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
// Every block is consumed whole; an edge tile yields only its pixels inside
// the image. Decoding stops at the first block the input does not hold.
//
// A row of tiles is decoded into a strip padded to whole tiles, whose rows are
// then appended to the image: each pixel of the image is written once, where
// zeroing the image first would write it twice.
template <std::size_t kBlockSize, void (*kDecodeBlock)(const std::uint8_t*, Tile&)>
Bytes decompress_blocks(ByteSpan data, std::uint32_t width, std::uint32_t height) {
  const std::size_t size = output_size(width, height);
  Bytes out;
  out.reserve(size);
  if (size == 0) return out;

  const std::size_t row_bytes = std::size_t{width} * 4;
  const std::size_t tiles_across = (std::size_t{width} + 3) / kTileSide;
  const std::size_t tiles_down = (std::size_t{height} + 3) / kTileSide;
  const std::size_t tile_bytes = kTileSide * sizeof(PixelWord);
  const std::size_t stride = tiles_across * tile_bytes;
  Bytes strip(std::min<std::size_t>(height, kTileSide) * stride);
  std::size_t blocks_left = data.size() / kBlockSize;
  const std::uint8_t* block = data.data();
  Tile tile;
  for (std::size_t ty = 0; ty < tiles_down && blocks_left > 0; ++ty) {
    const std::size_t rows = std::min(kTileSide, height - ty * kTileSide);
    const std::size_t tiles = std::min(tiles_across, blocks_left);
    for (std::size_t tx = 0; tx < tiles; ++tx, block += kBlockSize) {
      kDecodeBlock(block, tile);
      if (rows == kTileSide) {
        store_tile(tile, strip.data() + tx * tile_bytes, stride, kTileSide);  // unrolled
      } else {
        store_tile(tile, strip.data() + tx * tile_bytes, stride, rows);
      }
    }
    blocks_left -= tiles;
    for (std::size_t r = 0; r < rows; ++r) {
      std::uint8_t* strip_row = strip.data() + r * stride;
      std::fill(strip_row + tiles * tile_bytes, strip_row + stride, 0);  // tiles not held
      out.insert(out.end(), strip_row, strip_row + row_bytes);
    }
  }
  out.resize(size);  // the rows below the last block held stay zero
  return out;
}

}  // namespace

Bytes decompress_dxt1(ByteSpan data, std::uint32_t width, std::uint32_t height) {
  return decompress_blocks<kColorBlockSize, decode_dxt1_block>(data, width, height);
}

Bytes decompress_dxt3(ByteSpan data, std::uint32_t width, std::uint32_t height) {
  return decompress_blocks<2 * kColorBlockSize, decode_dxt3_block>(data, width, height);
}

Bytes decompress_dxt5(ByteSpan data, std::uint32_t width, std::uint32_t height) {
  return decompress_blocks<2 * kColorBlockSize, decode_dxt5_block>(data, width, height);
}

}  // namespace brackwater::dat
