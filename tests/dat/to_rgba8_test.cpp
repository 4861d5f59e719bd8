#include "brackwater/dat/file_type/texture.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "brackwater/dat/file_type/dxt.hpp"
#include "test_records.hpp"

namespace brackwater::dat {
namespace {

using Kind = PixelFormat::Kind;
using test_support::texture;

constexpr std::uint32_t kPaletteId = 0x04000123;

// A fetcher that hands out a fixed palette (or failure) and records its calls.
struct RecordingFetcher {
  std::expected<Palette, TextureDecodeError::PaletteFetch> answer;
  std::vector<std::uint32_t> calls;

  PaletteFetcher fetcher() {
    return [this](std::uint32_t id) {
      calls.push_back(id);
      return answer;
    };
  }
};

RecordingFetcher palette_of(std::vector<std::uint32_t> colors) {
  return {Palette{kPaletteId, std::move(colors)}, {}};
}

// The name of the error's variant ("ShortRead"), or "ok".
std::string outcome(const std::expected<Bytes, TextureDecodeError>& result) {
  static constexpr const char* kNames[] = {"UnsupportedFormat",      "ShortRead",
                                           "DimensionOverflow",      "MissingPaletteId",
                                           "PaletteIndexOutOfRange", "PaletteFetch"};
  static_assert(std::size(kNames) == std::variant_size_v<TextureDecodeError::Payload>);
  return result ? "ok" : kNames[result.error().payload().index()];
}

TEST(ToRgba8, RawFormatsReorderBytes) {
  struct Case {
    Kind kind;
    std::int32_t width;
    Bytes source;
    Bytes expected;
  };
  const Case cases[] = {
      {Kind::R8G8B8,
       2,
       {0x10, 0x20, 0x30, 0x40, 0x50, 0x60},
       {0x30, 0x20, 0x10, 0xFF, 0x60, 0x50, 0x40, 0xFF}},
      {Kind::CustomLscapeR8G8B8,
       2,
       {0x10, 0x20, 0x30, 0x40, 0x50, 0x60},
       {0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0xFF}},
      {Kind::A8R8G8B8, 1, {0x01, 0x02, 0x03, 0x04}, {0x03, 0x02, 0x01, 0x04}},
      {Kind::A8, 1, {0x80}, {0x80, 0x80, 0x80, 0xFF}},
      {Kind::CustomLscapeAlpha, 1, {0x80}, {0x80, 0x80, 0x80, 0xFF}},
  };
  for (const Case& c : cases) {
    const auto result = to_rgba8(texture(c.kind, c.width, 1, c.source), nullptr);
    ASSERT_TRUE(result) << result.error().message();
    EXPECT_EQ(*result, c.expected)
        << PixelFormat::from_code(static_cast<std::uint32_t>(c.kind)).to_string();
  }
}

TEST(ToRgba8, RawFormatsNeedEnoughBytesAndIgnoreTheRest) {
  struct Case {
    Kind kind;
    std::int32_t width, height;
    std::size_t length;
    const char* expected;
  };
  const Case cases[] = {
      {Kind::R8G8B8, 3, 2, 18, "ok"},
      {Kind::R8G8B8, 3, 2, 17, "ShortRead"},
      {Kind::R8G8B8, 3, 2, 19, "ok"},
      {Kind::CustomLscapeR8G8B8, 3, 2, 17, "ShortRead"},
      {Kind::A8R8G8B8, 3, 2, 24, "ok"},
      {Kind::A8R8G8B8, 3, 2, 23, "ShortRead"},
      {Kind::A8, 3, 2, 5, "ShortRead"},
      {Kind::CustomLscapeAlpha, 3, 2, 6, "ok"},
      // 3 * (2^64 - 1) wraps in 64 bits; the data can never hold it.
      {Kind::R8G8B8, -1, 1, 64, "ShortRead"},
      {Kind::A8R8G8B8, 1, -1, 64, "ShortRead"},
      {Kind::A8, -1, 1, 64, "ShortRead"},
  };
  for (const Case& c : cases) {
    const auto result = to_rgba8(texture(c.kind, c.width, c.height, Bytes(c.length, 7)), nullptr);
    EXPECT_EQ(outcome(result), c.expected) << c.width << "x" << c.height << " " << c.length;
    if (result) {
      EXPECT_EQ(result->size(), static_cast<std::size_t>(c.width * c.height * 4));
    }
  }
}

TEST(ToRgba8, PalettedFormatsLookUpArgbColoursWithAlpha) {
  RecordingFetcher fetch = palette_of({0x80112233, 0x00AABBCC, 0xFF000001});
  struct Case {
    Kind kind;
    Bytes source;
    Bytes expected;
  };
  const Case cases[] = {
      {Kind::P8, {0}, {0x11, 0x22, 0x33, 0x80}},
      {Kind::P8, {2, 1}, {0x00, 0x00, 0x01, 0xFF, 0xAA, 0xBB, 0xCC, 0x00}},
      {Kind::Index16, {0x01, 0x00}, {0xAA, 0xBB, 0xCC, 0x00}},
  };
  for (const Case& c : cases) {
    const auto width = static_cast<std::int32_t>(c.expected.size() / 4);
    const auto result = to_rgba8(texture(c.kind, width, 1, c.source, kPaletteId), fetch.fetcher());
    ASSERT_TRUE(result) << result.error().message();
    EXPECT_EQ(*result, c.expected);
  }
  EXPECT_EQ(fetch.calls, std::vector<std::uint32_t>(3, kPaletteId));
}

TEST(ToRgba8, PaletteIndexMustBeBelowTheColourCount) {
  struct Case {
    Kind kind;
    std::vector<std::uint32_t> colors;
    Bytes source;
  };
  const Case cases[] = {
      {Kind::P8, {0x80112233}, {1}},
      {Kind::P8, {}, {0}},
      {Kind::P8, {1, 2}, {0, 1, 2, 0}},  // fails at the third pixel
      {Kind::Index16, std::vector<std::uint32_t>(256, 0), {0x00, 0x01}},  // index 256
  };
  for (const Case& c : cases) {
    RecordingFetcher fetch = palette_of(c.colors);
    const auto width = static_cast<std::int32_t>(c.source.size() / (c.kind == Kind::P8 ? 1 : 2));
    EXPECT_EQ(outcome(to_rgba8(texture(c.kind, width, 1, c.source, kPaletteId), fetch.fetcher())),
              "PaletteIndexOutOfRange");
  }
}

TEST(ToRgba8, PalettedFailuresComeInOrder) {
  struct Case {
    const char* name;
    Texture texture;
    bool fetch_fails;
    const char* expected;
    std::size_t fetches;
  };
  const Case cases[] = {
      {"no palette id", texture(Kind::P8, 1, 1, {0}), false, "MissingPaletteId", 0},
      {"no palette id, short", texture(Kind::Index16, 3, 2, {}), false, "MissingPaletteId", 0},
      {"fetch fails", texture(Kind::P8, 3, 2, {0, 0, 0, 0, 0}, kPaletteId), true, "PaletteFetch",
       1},
      {"short after fetch", texture(Kind::P8, 3, 2, {0, 0, 0, 0, 0}, kPaletteId), false,
       "ShortRead", 1},
      {"short before index", texture(Kind::P8, 2, 1, {9}, kPaletteId), false, "ShortRead", 1},
      {"Index16 short", texture(Kind::Index16, 2, 1, {0, 0, 0}, kPaletteId), false, "ShortRead", 1},
      {"negative width", texture(Kind::P8, -1, 1, {0}, kPaletteId), false, "ShortRead", 1},
      {"overflow first", texture(Kind::P8, -1, 2, {}), false, "DimensionOverflow", 0},
  };
  for (const Case& c : cases) {
    RecordingFetcher fetch = palette_of({0xFF000000});
    if (c.fetch_fails) {
      fetch.answer = std::unexpected(
          TextureDecodeError::PaletteFetch{kPaletteId, DatError(DatError::NotFound{kPaletteId})});
    }
    EXPECT_EQ(outcome(to_rgba8(c.texture, fetch.fetcher())), c.expected) << c.name;
    EXPECT_EQ(fetch.calls.size(), c.fetches) << c.name;
  }

  // The fetcher's failure is kept as given, with the palette it fetched in
  // place of the one it was asked for.
  constexpr std::uint32_t kOther = 0x04000777;
  RecordingFetcher failing{std::unexpected(TextureDecodeError::PaletteFetch{
                               kOther, DatError(DatError::NotFound{kOther})}),
                           {}};
  const auto result = to_rgba8(texture(Kind::P8, 1, 1, {0}, kPaletteId), failing.fetcher());
  ASSERT_FALSE(result);
  const auto* fetch = result.error().as<TextureDecodeError::PaletteFetch>();
  ASSERT_NE(fetch, nullptr);
  EXPECT_EQ(fetch->palette_id, kOther);
  EXPECT_EQ(result.error().message(),
            "palette fetch failed: 0x04000777: File ID 04000777 not found in provider");
}

TEST(ToRgba8, ZeroWidthGivesAnEmptyImageForEverySupportedFormat) {
  const Kind kinds[] = {Kind::R8G8B8,
                        Kind::CustomLscapeR8G8B8,
                        Kind::A8R8G8B8,
                        Kind::A8,
                        Kind::CustomLscapeAlpha,
                        Kind::P8,
                        Kind::Index16,
                        Kind::Dxt1,
                        Kind::Dxt3,
                        Kind::Dxt5};
  for (const Kind kind : kinds) {
    RecordingFetcher fetch = palette_of({});
    const auto result = to_rgba8(texture(kind, 0, 7, {}, kPaletteId), fetch.fetcher());
    ASSERT_TRUE(result) << result.error().message();
    EXPECT_TRUE(result->empty());
    const bool paletted = kind == Kind::P8 || kind == Kind::Index16;
    EXPECT_EQ(fetch.calls.size(), paletted ? 1u : 0u);
  }
}

TEST(ToRgba8, UnsupportedFormatsAreNamed) {
  struct Case {
    std::uint32_t code;
    std::int32_t width;
    const char* expected;
  };
  const Case cases[] = {
      {23, 1, "unsupported pixel format: R5G6B5"},
      {26, 1, "unsupported pixel format: A4R4G4B4"},
      {0, 1, "unsupported pixel format: Unknown"},
      {7, 1, "unsupported pixel format: Other(7)"},
      // The pixel count is checked first, whatever the format.
      {7, -1, "width * height overflowed usize"},
  };
  for (const Case& c : cases) {
    Texture t = texture(Kind::R8G8B8, c.width, 2, Bytes(64, 0));
    t.format_raw = c.code;
    const auto result = to_rgba8(t, nullptr);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message(), c.expected);
  }
}

TEST(ToRgba8, DxtFormatsUseTheirDecoderWithoutALengthCheck) {
  Bytes blocks(48);
  for (std::size_t i = 0; i < blocks.size(); ++i) blocks[i] = static_cast<std::uint8_t>(i * 37);
  struct Case {
    Kind kind;
    Bytes (*decode)(ByteSpan, std::uint32_t, std::uint32_t);
  };
  const Case cases[] = {
      {Kind::Dxt1, decompress_dxt1}, {Kind::Dxt3, decompress_dxt3}, {Kind::Dxt5, decompress_dxt5}};
  for (const Case& c : cases) {
    // 8 x 4 wants two blocks; short data leaves zeros instead of failing.
    for (const std::size_t length : {std::size_t{48}, std::size_t{16}, std::size_t{0}}) {
      const Bytes source(blocks.begin(), blocks.begin() + static_cast<std::ptrdiff_t>(length));
      const auto result = to_rgba8(texture(c.kind, 8, 4, source), nullptr);
      ASSERT_TRUE(result) << result.error().message();
      EXPECT_EQ(*result, c.decode(source, 8, 4));
    }
  }
}

TEST(ToRgba8, DimensionsThatCannotBeMultipliedOrExceedTheDxtLimitOverflow) {
  struct Case {
    Kind kind;
    std::int32_t width, height;
    const char* expected;
  };
  const Case cases[] = {
      {Kind::R8G8B8, -1, 2, "DimensionOverflow"},
      {Kind::R8G8B8, -1, -1, "DimensionOverflow"},
      {Kind::Dxt1, -1, 1, "DimensionOverflow"},
      {Kind::Dxt3, 1, -1, "DimensionOverflow"},
      {Kind::Dxt5, 4097, 4096, "DimensionOverflow"},
      {Kind::Dxt1, (1 << 24) + 1, 1, "DimensionOverflow"},
      {Kind::Dxt1, 4096, 4096, "ok"},
      {Kind::Dxt1, -1, 0, "ok"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(outcome(to_rgba8(texture(c.kind, c.width, c.height, {}), nullptr)), c.expected)
        << c.width << "x" << c.height;
  }
}

}  // namespace
}  // namespace brackwater::dat
