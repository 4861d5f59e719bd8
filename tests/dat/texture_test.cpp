#include <gtest/gtest.h>

#include <climits>

#include "brackwater/dat/file_type/texture.hpp"
#include "portal_fixture/records.hpp"
#include "record_testing.hpp"

namespace brackwater::dat {
namespace {

using test_support::concat;
using test_support::failure_of;
using test_support::FieldEnd;
using test_support::kEof;
using test_support::RecordFailure;
using test_support::words;

constexpr std::uint32_t kDxt1 = 0x31545844;

// The six leading words, then `tail` as given.
Bytes texture_bytes(std::uint32_t format, std::int32_t length, const Bytes& tail) {
  return concat(
      {words({0x06000001, 0xCAFEBABE, 2, 0xFFFFFFFF, format, static_cast<std::uint32_t>(length)}),
       tail});
}

TEST(TextureUnpack, ReadsEveryFieldInOrder) {
  const Bytes bytes = texture_bytes(41, 3, {9, 8, 7, 0x42, 0x00, 0x00, 0x04, 0xEE});
  const Texture expected{0x06000001, 0xCAFEBABE, 2, -1, 41, 3, {9, 8, 7}, 0x04000042};
  EXPECT_EQ(Texture::unpack(bytes), expected);
}

// The word after the pixels is the palette id for P8 and Index16 only; for any
// other format it is a trailing byte and ignored.
TEST(TextureUnpack, ReadsAPaletteIdOnlyForPalettedFormats) {
  const std::uint32_t formats[] = {0, 7, 20, 21, 28, 41, 101, 243, 244, kDxt1, 0x35545844};
  for (const std::uint32_t format : formats) {
    SCOPED_TRACE(format);
    const auto parsed = Texture::unpack(texture_bytes(format, 2, {1, 2, 0x42, 0, 0, 4}));
    ASSERT_TRUE(parsed.has_value()) << parsed.error().message();
    const bool paletted = format == 41 || format == 101;
    EXPECT_EQ(parsed->default_palette_id, paletted ? std::optional(0x04000042u) : std::nullopt);
    EXPECT_EQ(parsed->source_data, (Bytes{1, 2}));
  }
}

TEST(TextureUnpack, ReadsWhatTheEncoderWrites) {
  const Texture textures[] = {
      {0x06000002, 0, 0, 0, 20, 0, {}, std::nullopt},
      {0x06000003, 5, 4, 4, kDxt1, 8, Bytes(8, 0xAB), std::nullopt},
      {0x06000004, 0, 1, 2, 101, 4, {1, 0, 2, 0}, 0x04000001},
  };
  for (const Texture& texture : textures) {
    EXPECT_EQ(Texture::unpack(portal_fixture::encode(texture)), texture);
  }
}

TEST(TextureUnpack, EveryTruncationNamesTheFieldThatRanOut) {
  const auto field = [](const char* name, const char* cause = kEof) -> RecordFailure {
    return {cause, {"While parsing field '" + std::string(name) + "' in Texture"}};
  };
  const std::vector<FieldEnd> unpaletted = {
      {4, field("id")},
      {8, field("_unknown")},
      {12, field("width")},
      {16, field("height")},
      {20, field("format_raw")},
      {24, field("length")},
      {27, field("source_data", "not enough bytes in reader")},
  };
  std::vector<FieldEnd> paletted = unpaletted;
  paletted.push_back({31, field("default_palette_id")});
  struct Case {
    std::uint32_t format;
    Bytes tail;
    const std::vector<FieldEnd>& layout;
  };
  const Case cases[] = {{20, {1, 2, 3}, unpaletted}, {101, {1, 2, 3, 0x42, 0, 0, 4}, paletted}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << c.format);
    test_support::expect_every_cut_fails(Texture::unpack, texture_bytes(c.format, 3, c.tail),
                                         c.layout, "file_type/texture.cpp");
  }
}

// A negative length fails with no frame before the pixels are read; one beyond
// the input fails at the pixels.
TEST(TextureUnpack, DamagedLengthsFail) {
  struct Case {
    std::int32_t length;
    RecordFailure failure;
  };
  const Case cases[] = {
      {-1, {"count -1 out of range of usize at 0x18", {}}},
      {INT_MIN, {"count -2147483648 out of range of usize at 0x18", {}}},
      {INT_MAX, {"not enough bytes in reader", {"While parsing field 'source_data' in Texture"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const auto parsed = Texture::unpack(texture_bytes(41, c.length, {1, 2, 3}));
    ASSERT_FALSE(parsed.has_value());
    EXPECT_EQ(failure_of(parsed.error()), c.failure);
  }
  const auto negative = Texture::unpack(texture_bytes(20, -1, {}));
  ASSERT_FALSE(negative.has_value());
  EXPECT_EQ(negative.error().message(),
            "Binary read error: count -1 out of range of usize at 0x18");
}

TEST(PixelFormat, NamesEveryCodeAndKeepsUnnamedOnes) {
  using Kind = PixelFormat::Kind;
  struct Case {
    std::uint32_t code;
    Kind kind;
    const char* printed;
  };
  const Case cases[] = {
      {0, Kind::Unknown, "Unknown"},
      {20, Kind::R8G8B8, "R8G8B8"},
      {21, Kind::A8R8G8B8, "A8R8G8B8"},
      {23, Kind::R5G6B5, "R5G6B5"},
      {26, Kind::A4R4G4B4, "A4R4G4B4"},
      {28, Kind::A8, "A8"},
      {41, Kind::P8, "P8"},
      {101, Kind::Index16, "Index16"},
      {243, Kind::CustomLscapeR8G8B8, "CustomLscapeR8G8B8"},
      {244, Kind::CustomLscapeAlpha, "CustomLscapeAlpha"},
      {kDxt1, Kind::Dxt1, "Dxt1"},
      {0x33545844, Kind::Dxt3, "Dxt3"},
      {0x35545844, Kind::Dxt5, "Dxt5"},
      {7, Kind::Other, "Other(7)"},
      {22, Kind::Other, "Other(22)"},
      {0xFFFFFFFF, Kind::Other, "Other(4294967295)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.printed);
    const PixelFormat format = PixelFormat::from_code(c.code);
    EXPECT_EQ(format.kind(), c.kind);
    EXPECT_EQ(format.code(), c.code);
    EXPECT_EQ(format.to_string(), c.printed);
    EXPECT_EQ(format.paletted(), c.kind == Kind::P8 || c.kind == Kind::Index16);
  }
}

TEST(TextureDecodeError, Messages) {
  using E = TextureDecodeError;
  struct Case {
    E::Payload payload;
    const char* message;
  };
  const ReadError framed =
      with_context(ReadError(IoError::fill_whole_buffer()),
                   ContextFrame{"While parsing field 'colors' in Palette", {}});
  const Case cases[] = {
      {E::UnsupportedFormat{PixelFormat::from_code(23)}, "unsupported pixel format: R5G6B5"},
      {E::UnsupportedFormat{PixelFormat::from_code(7)}, "unsupported pixel format: Other(7)"},
      {E::ShortRead{}, "source_data too short for declared width/height"},
      {E::DimensionOverflow{}, "width * height overflowed usize"},
      {E::MissingPaletteId{}, "palettized format but no DefaultPaletteId in header"},
      {E::PaletteIndexOutOfRange{}, "pixel index out of palette range"},
      // A palette's failure names the palette, then its error's own text.
      {E::PaletteFetch{0x04000042, DatError(DatError::NotFound{0x04000042})},
       "palette fetch failed: 0x04000042: File ID 04000042 not found in provider"},
      {E::PaletteFetch{0xABD, ReadError(AssertionFailure::count_out_of_range(-1, 4))},
       "palette fetch failed: 0x00000ABD: count -1 out of range of usize at 0x4"},
  };
  for (const Case& c : cases) EXPECT_EQ(E(c.payload).message(), c.message);

  // A parse error's text follows as it is, every line of its backtrace,
  // not wrapped in a DatError's words.
  EXPECT_EQ(E(E::PaletteFetch{0xABD, framed}).message(),
            "palette fetch failed: 0x00000ABD: " + framed.message());
}

}  // namespace
}  // namespace brackwater::dat
