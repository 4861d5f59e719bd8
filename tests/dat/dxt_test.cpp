#include "brackwater/dat/file_type/dxt.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "little_endian.hpp"

namespace brackwater::dat {
namespace {

using test_support::concat;
using test_support::le_bytes;

using Pixel = std::array<std::uint8_t, 4>;
using Decoder = Bytes (*)(ByteSpan, std::uint32_t, std::uint32_t);

Bytes color_block(std::uint16_t c0, std::uint16_t c1, std::uint32_t indices) {
  return concat({le_bytes(c0, 2), le_bytes(c1, 2), le_bytes(indices, 4)});
}

// Sixteen 2-bit indices, pixel p's at bits 2p.
std::uint32_t color_indices(const std::array<std::uint32_t, 16>& per_pixel) {
  std::uint32_t bits = 0;
  for (std::size_t p = 0; p < 16; ++p) bits |= per_pixel[p] << (2 * p);
  return bits;
}

Pixel pixel_at(const Bytes& image, std::size_t width, std::size_t x, std::size_t y) {
  const std::size_t at = (y * width + x) * 4;
  return {image[at], image[at + 1], image[at + 2], image[at + 3]};
}

constexpr Pixel kZero{0, 0, 0, 0};

TEST(Dxt1, ExpandsEndpointChannelsWithItsOwnFormulas) {
  // Equal endpoints and index 0 show the expanded c0.
  struct Case {
    std::uint16_t c0;
    Pixel expected;
  };
  const Case cases[] = {
      {20 << 11, {164, 0, 0, 255}},  // rounding to nearest would give 165
      {25 << 11, {205, 0, 0, 255}},
      {29 << 11, {238, 0, 0, 255}},
      {3 << 11, {25, 0, 0, 255}},  // bit replication would give 24
      {31 << 11, {255, 0, 0, 255}},
      {53 << 5, {0, 214, 0, 255}},  // rounding to nearest would give 215
      {63 << 5, {0, 255, 0, 255}},
      {20, {0, 0, 164, 255}},
      {31, {0, 0, 255, 255}},
      {0, {0, 0, 0, 255}},
  };
  for (const Case& c : cases) {
    const Bytes image = decompress_dxt1(color_block(c.c0, c.c0, 0), 4, 4);
    EXPECT_EQ(pixel_at(image, 4, 0, 0), c.expected) << "c0 " << c.c0;
  }
}

TEST(Dxt1, EndpointOrderChoosesFourOrThreeColors) {
  struct Case {
    std::uint16_t c0, c1;
    std::array<Pixel, 4> by_index;
  };
  const Case cases[] = {
      {0xF800,
       0x001F,
       {{{255, 0, 0, 255}, {0, 0, 255, 255}, {170, 0, 85, 255}, {85, 0, 170, 255}}}},
      {0x001F, 0xF800, {{{0, 0, 255, 255}, {255, 0, 0, 255}, {127, 0, 127, 255}, kZero}}},
      {0x07E0, 0x07E0, {{{0, 255, 0, 255}, {0, 255, 0, 255}, {0, 255, 0, 255}, kZero}}},
  };
  for (const Case& c : cases) {
    const Bytes image =
        decompress_dxt1(color_block(c.c0, c.c1, color_indices({0, 1, 2, 3, 3, 2, 1, 0})), 4, 4);
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(pixel_at(image, 4, i, 0), c.by_index[i]) << c.c0 << " " << c.c1 << " index " << i;
      EXPECT_EQ(pixel_at(image, 4, 3 - i, 1), c.by_index[i])
          << c.c0 << " " << c.c1 << " index " << i;
    }
    EXPECT_EQ(pixel_at(image, 4, 3, 3), c.by_index[0]);
  }
}

TEST(Dxt3, AlwaysFourColorsWithNibbleAlphas) {
  // Alpha nibbles: pixel 0 low nibble of byte 0, pixel 1 its high nibble.
  const Bytes alpha{0xFA, 0x30, 0, 0, 0, 0, 0, 0x5F};
  const Bytes block = concat({alpha, color_block(0x001F, 0xF800, color_indices({2, 3, 0, 1}))});
  const Bytes image = decompress_dxt3(block, 4, 4);
  EXPECT_EQ(pixel_at(image, 4, 0, 0), (Pixel{85, 0, 170, 170}));
  EXPECT_EQ(pixel_at(image, 4, 1, 0), (Pixel{170, 0, 85, 255}));
  EXPECT_EQ(pixel_at(image, 4, 2, 0), (Pixel{0, 0, 255, 0}));
  EXPECT_EQ(pixel_at(image, 4, 3, 0), (Pixel{255, 0, 0, 51}));
  EXPECT_EQ(pixel_at(image, 4, 2, 3), (Pixel{0, 0, 255, 255}));
  EXPECT_EQ(pixel_at(image, 4, 3, 3), (Pixel{0, 0, 255, 85}));
}

// Every nibble value at every pixel, against n * 17 worked out per pixel.
TEST(Dxt3, EveryPixelTakesItsOwnNibble) {
  for (const std::size_t spin : {0u, 7u, 15u}) {
    Bytes alpha(8);
    for (std::size_t p = 0; p < 16; ++p) {
      const auto nibble = static_cast<std::uint8_t>((p + spin) % 16);
      alpha[p / 2] = static_cast<std::uint8_t>(alpha[p / 2] | nibble << (4 * (p % 2)));
    }
    const Bytes block = concat({alpha, color_block(0xFFFF, 0xFFFF, 0)});
    const Bytes image = decompress_dxt3(block, 4, 4);
    for (std::size_t p = 0; p < 16; ++p) {
      const auto expected = static_cast<std::uint8_t>((p + spin) % 16 * 17);
      EXPECT_EQ(pixel_at(image, 4, p % 4, p / 4), (Pixel{255, 255, 255, expected}))
          << "pixel " << p << ", spin " << spin;
    }
  }
}

TEST(Dxt5, EightAlphasForBothEndpointOrders) {
  struct Case {
    std::uint8_t a0, a1;
    std::array<std::uint8_t, 8> by_index;
  };
  const Case cases[] = {
      {255, 0, {255, 0, 218, 182, 145, 109, 72, 36}},  // 218 truncated, not 219
      {0, 255, {0, 255, 51, 102, 153, 204, 0, 255}},
      {100, 100, {100, 100, 100, 100, 100, 100, 0, 255}},
  };
  // Pixel p uses alpha index p % 8, so both halves of the 48 bits are read.
  std::uint64_t alpha_indices = 0;
  for (std::uint64_t p = 0; p < 16; ++p) alpha_indices |= (p % 8) << (3 * p);
  for (const Case& c : cases) {
    const Bytes block =
        concat({{c.a0, c.a1}, le_bytes(alpha_indices, 6), color_block(0x001F, 0xF800, 0)});
    const Bytes image = decompress_dxt5(block, 4, 4);
    for (std::size_t p = 0; p < 16; ++p) {
      EXPECT_EQ(pixel_at(image, 4, p % 4, p / 4), (Pixel{0, 0, 255, c.by_index[p % 8]}))
          << int{c.a0} << " " << int{c.a1} << " pixel " << p;
    }
  }
}

TEST(DxtLayout, EdgeTilesConsumeWholeBlocksAndWriteOnlyInsidePixels) {
  // A 5x5 image: four tiles, each one solid colour.
  const std::uint16_t colors[] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  Bytes data;
  for (const std::uint16_t c : colors) data = concat({data, color_block(c, c, 0)});
  const Pixel expected[] = {
      {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};

  const Bytes image = decompress_dxt1(data, 5, 5);
  ASSERT_EQ(image.size(), 5u * 5 * 4);
  for (std::size_t y = 0; y < 5; ++y) {
    for (std::size_t x = 0; x < 5; ++x) {
      EXPECT_EQ(pixel_at(image, 5, x, y), expected[(y / 4) * 2 + x / 4]) << x << "," << y;
    }
  }
}

TEST(DxtLayout, InputEndingInsideABlockLeavesThatTileAndLaterOnesZero) {
  // One opaque white block in each format.
  const Bytes white_color = color_block(0xFFFF, 0, 0);
  struct Case {
    const char* name;
    Decoder decode;
    Bytes white_block;
  };
  const Case cases[] = {
      {"dxt1", decompress_dxt1, white_color},
      {"dxt3", decompress_dxt3, concat({Bytes(8, 0xFF), white_color})},
      {"dxt5", decompress_dxt5, concat({Bytes{255, 0, 0, 0, 0, 0, 0, 0}, white_color})},
  };
  for (const Case& c : cases) {
    const Bytes blocks = concat({c.white_block, c.white_block, c.white_block});
    const std::size_t block_size = c.white_block.size();
    for (const std::size_t length : {block_size, 2 * block_size - 1}) {
      const Bytes image = c.decode(ByteSpan(blocks).first(length), 4, 8);
      ASSERT_EQ(image.size(), 4u * 8 * 4);
      for (std::size_t y = 0; y < 8; ++y) {
        const Pixel expected = y < 4 ? Pixel{255, 255, 255, 255} : kZero;
        for (std::size_t x = 0; x < 4; ++x) {
          EXPECT_EQ(pixel_at(image, 4, x, y), expected) << c.name << " " << length << " bytes";
        }
      }
    }
    EXPECT_EQ(c.decode({}, 4, 4), Bytes(64, 0)) << c.name;
    // Bytes after the last block needed change nothing.
    EXPECT_EQ(c.decode(blocks, 4, 4), Bytes(64, 0xFF)) << c.name;
  }
}

TEST(DxtLayout, ZeroWidthOrHeightGivesAnEmptyImage) {
  const Bytes data(64, 0xFF);
  for (const Decoder decode : {decompress_dxt1, decompress_dxt3, decompress_dxt5}) {
    EXPECT_TRUE(decode(data, 0, 4).empty());
    EXPECT_TRUE(decode(data, 4, 0).empty());
    EXPECT_TRUE(decode(data, 0xFFFFFFFF, 0).empty());
  }
}

// Reference decoding of one DXT1 pixel, written from the channel formulas
// without sharing anything with the decoder.
std::uint32_t expand(std::uint32_t color, int shift, int bits) {
  const std::uint32_t x = (color >> shift) & ((1u << bits) - 1);
  const std::uint32_t t = x * 255 + (1u << (bits - 1));
  return (t + (t >> bits)) >> bits;
}

Pixel reference_dxt1_pixel(std::uint16_t c0, std::uint16_t c1, std::uint32_t index) {
  Pixel out{0, 0, 0, 255};
  const int shifts[] = {11, 5, 0};
  const int bits[] = {5, 6, 5};
  for (int ch = 0; ch < 3; ++ch) {
    const std::uint32_t a = expand(c0, shifts[ch], bits[ch]);
    const std::uint32_t b = expand(c1, shifts[ch], bits[ch]);
    std::uint32_t v = 0;
    if (index == 0) v = a;
    if (index == 1) v = b;
    if (index == 2) v = c0 > c1 ? (2 * a + b) / 3 : (a + b) / 2;
    if (index == 3) v = c0 > c1 ? (a + 2 * b) / 3 : 0;
    out[static_cast<std::size_t>(ch)] = static_cast<std::uint8_t>(v);
  }
  if (index == 3 && c0 <= c1) out[3] = 0;
  return out;
}

TEST(Dxt1, MultiTileImageMatchesReferencePixels) {
  // 10 x 7: three tiles across, two down, with partial right and bottom tiles;
  // the input ends after each tile in turn, so a row of tiles ends part-way.
  struct Block {
    std::uint16_t c0, c1;
    std::uint32_t indices;
  };
  const Block blocks[] = {
      {0xF800, 0x001F, 0xE4E4E4E4}, {0xA554, 0x39E7, 0x1B2D3C4F}, {0x001F, 0xF800, 0xFFAA5500},
      {0x7BEF, 0x7BEF, 0x93C6E1B4}, {0xFFFF, 0x0000, 0x0F0F3333}, {0x8410, 0xC618, 0x6DB6DB6D},
  };
  Bytes data;
  for (const Block& b : blocks) data = concat({data, color_block(b.c0, b.c1, b.indices)});

  for (std::size_t held = 0; held <= std::size(blocks); ++held) {
    const Bytes image = decompress_dxt1(ByteSpan(data).first(held * 8), 10, 7);
    ASSERT_EQ(image.size(), 10u * 7 * 4);
    for (std::size_t y = 0; y < 7; ++y) {
      for (std::size_t x = 0; x < 10; ++x) {
        const std::size_t tile = (y / 4) * 3 + x / 4;
        const Block& b = blocks[tile];
        const std::size_t p = (y % 4) * 4 + x % 4;
        const std::uint32_t index = (b.indices >> (2 * p)) & 3;
        const Pixel expected = tile < held ? reference_dxt1_pixel(b.c0, b.c1, index) : kZero;
        EXPECT_EQ(pixel_at(image, 10, x, y), expected) << held << " blocks, " << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace brackwater::dat
