#include "brackwater/survey/resolve.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "brackwater/dat/file_type/palette.hpp"
#include "portal_fixture/archive_file.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/records.hpp"
#include "test_records.hpp"

namespace brackwater::survey {
namespace {

using dat::Bytes;
using Kind = dat::PixelFormat::Kind;
using portal_fixture::ArchiveBuilder;
using portal_fixture::ArchiveFile;
using portal_fixture::encode;
using test_support::mip_list;
using test_support::solid_surface;
using test_support::texture;
using test_support::textured_surface;

constexpr std::uint32_t kSurface = 0x08000010;
constexpr std::uint32_t kMips = 0x05000010;
constexpr std::uint32_t kTexture = 0x06000010;
constexpr std::uint32_t kDefaultPalette = 0x04000001;  // D: index 1 is red
constexpr std::uint32_t kSurfacePalette = 0x04000002;  // S: index 1 is green
constexpr std::uint32_t kAbsentPalette = 0x00000ABC;

const Rgb kRed{200, 0, 0};
const Rgb kGreen{0, 200, 0};

// A 2x1 P8 texture whose pixels both take palette index 1.
dat::Texture paletted(Kind kind, std::optional<std::uint32_t> palette_id) {
  Bytes indices = kind == Kind::P8 ? Bytes{1, 1} : Bytes{1, 0, 1, 0};
  return texture(kind, 2, 1, std::move(indices), palette_id);
}

Bytes palette(std::uint32_t id, std::uint32_t index_one) {
  return encode(dat::Palette{id, {0xFF000000, index_one, 0xFFFFFFFF}});
}

// An archive holding one textured surface with a single mip, both palettes,
// and whatever a case adds.
class OneSurface {
 public:
  OneSurface(const dat::Texture& tex, std::uint32_t surface_palette) {
    builder_.add_file(kSurface, textured_surface(kMips, surface_palette));
    builder_.add_file(kMips, mip_list({kTexture}));
    builder_.add_file(kTexture, encode(tex));
    builder_.add_file(kDefaultPalette, palette(kDefaultPalette, 0xFFC80000));
    builder_.add_file(kSurfacePalette, palette(kSurfacePalette, 0xFF00C800));
  }

  ArchiveBuilder& builder() { return builder_; }

  std::expected<SurfaceColor, SurveyError> resolve() const {
    const ArchiveFile file(builder_);
    auto db = file.open();
    if (!db) return std::unexpected(SurveyError::from(db.error()));
    return dominant_for(*db, kSurface);
  }

 private:
  ArchiveBuilder builder_;
};

// "ok" with the colour, or the failure's message.
std::string outcome(const std::expected<SurfaceColor, SurveyError>& result) {
  if (!result) return result.error().message();
  return "ok " + std::to_string(result->rgb.r) + " " + std::to_string(result->rgb.g) + " " +
         std::to_string(result->rgb.b) + (result->solid ? " solid" : " textured") +
         (result->fallback_grey ? ", fallback grey" : "");
}

TEST(DominantFor, SolidColourWordIgnoresItsTopByte) {
  for (const std::uint32_t word : {0xFF102030u, 0x00102030u}) {
    OneSurface archive(texture(Kind::A8, 1, 1, {0}), 0);
    archive.builder().add_file(kSurface, solid_surface(word));
    EXPECT_EQ(outcome(archive.resolve()), "ok 16 32 48 solid") << word;
  }
}

TEST(DominantFor, DecodesOnlyTheLastMip) {
  // The first mip is absent from the archive and the second cannot be
  // decoded: touching either would fail the surface.
  OneSurface archive(texture(Kind::R8G8B8, 1, 1, {0x00, 0x00, 0xC8}), 0);
  archive.builder().add_file(kMips, mip_list({0x06000001, 0x06000002, kTexture}));
  archive.builder().add_file(0x06000002, encode(texture(Kind::R5G6B5, 1, 1, {0, 0})));
  EXPECT_EQ(outcome(archive.resolve()), "ok 200 0 0 textured");
}

TEST(DominantFor, TellsTheFallbackGreyFromAGreyTexture) {
  const OneSurface transparent(texture(Kind::A8R8G8B8, 2, 1, {0x30, 0x20, 0x10, 0x7F, 1, 2, 3, 0}),
                               0);
  EXPECT_EQ(outcome(transparent.resolve()), "ok 128 128 128 textured, fallback grey");
  const OneSurface grey(texture(Kind::R8G8B8, 1, 1, {0x80, 0x80, 0x80}), 0);
  EXPECT_EQ(outcome(grey.resolve()), "ok 128 128 128 textured");
}

TEST(DominantFor, SurfacePaletteReplacesTheDefaultOfPalettedTextures) {
  struct Case {
    Kind kind;
    std::uint32_t surface_palette;
    Rgb expected;
  };
  for (const Case& c :
       {Case{Kind::P8, kSurfacePalette, kGreen}, Case{Kind::P8, 0, kRed},
        Case{Kind::Index16, kSurfacePalette, kGreen}, Case{Kind::Index16, 0, kRed}}) {
    const OneSurface archive(paletted(c.kind, kDefaultPalette), c.surface_palette);
    const auto color = archive.resolve();
    ASSERT_TRUE(color) << color.error().message();
    EXPECT_EQ(color->rgb, c.expected)
        << static_cast<std::uint32_t>(c.kind) << " " << c.surface_palette;
    EXPECT_FALSE(color->solid);
  }
}

TEST(DominantFor, UnpalettedTexturesNeverFetchTheSurfacePalette) {
  // A DXT1 block of colour 0xF800 (pure red) in every pixel.
  const Bytes red_block = {0x00, 0xF8, 0x00, 0x00, 0, 0, 0, 0};
  const dat::Texture cases[] = {
      texture(Kind::Dxt1, 4, 4, red_block),
      texture(Kind::R8G8B8, 1, 1, {0x00, 0x00, 0xFF}),
      texture(Kind::A8, 1, 1, {0xFF}),
  };
  const std::string expected[] = {"ok 255 0 0 textured", "ok 255 0 0 textured",
                                  "ok 255 255 255 textured"};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const OneSurface archive(cases[i], kAbsentPalette);
    EXPECT_EQ(outcome(archive.resolve()), expected[i]) << cases[i].format().to_string();
  }
}

TEST(DominantFor, PalettedTextureWithoutDefaultIdFailsDespiteASurfacePalette) {
  // P8 always stores a default palette id; a record that lacks it does not
  // parse, and the surface's own palette does not rescue it.
  const OneSurface archive(paletted(Kind::P8, std::nullopt), kSurfacePalette);
  const auto color = archive.resolve();
  ASSERT_FALSE(color);
  EXPECT_TRUE(color.error().message().starts_with("Binary read error: ")) << outcome(color);
  EXPECT_NE(color.error().message().find("While parsing field 'default_palette_id' in Texture"),
            std::string::npos)
      << outcome(color);
}

TEST(DominantFor, PaletteFailuresNameThePaletteAndItsError) {
  const Bytes unparsable = {0xBD, 0x0A, 0, 0, 9, 0};  // id, then half a count
  const auto parse_error = dat::Palette::unpack(unparsable);
  ASSERT_FALSE(parse_error);
  struct Case {
    std::uint32_t default_palette;
    std::uint32_t surface_palette;
    std::string message;
  };
  const Case cases[] = {
      {kAbsentPalette, 0,
       "palette fetch failed: 0x00000ABC: File ID 00000ABC not found in provider"},
      {kDefaultPalette, kAbsentPalette,
       "palette fetch failed: 0x00000ABC: File ID 00000ABC not found in provider"},
      {0x00000ABD, 0, "palette fetch failed: 0x00000ABD: " + parse_error.error().message()},
      {kDefaultPalette, 0x00000ABD,
       "palette fetch failed: 0x00000ABD: " + parse_error.error().message()},
  };
  for (const Case& c : cases) {
    OneSurface archive(paletted(Kind::P8, c.default_palette), c.surface_palette);
    archive.builder().add_file(0x00000ABD, unparsable);
    const auto color = archive.resolve();
    EXPECT_EQ(outcome(color), c.message);
    // The failure is kept as values: the palette fetched and the library's
    // error for it, the archive's or the parser's.
    ASSERT_FALSE(color);
    const auto* decode = std::get_if<dat::TextureDecodeError>(&color.error().failure());
    ASSERT_NE(decode, nullptr);
    const auto* fetch = decode->as<dat::TextureDecodeError::PaletteFetch>();
    ASSERT_NE(fetch, nullptr);
    const std::uint32_t fetched = c.surface_palette != 0 ? c.surface_palette : c.default_palette;
    EXPECT_EQ(fetch->palette_id, fetched);
    EXPECT_EQ(std::holds_alternative<dat::ReadError>(fetch->cause), fetched == 0x00000ABD);
  }
}

TEST(DominantFor, FailuresCarryTheLibraryErrorText) {
  const OneSurface unsupported(texture(Kind::R5G6B5, 1, 1, {0, 0}), 0);
  EXPECT_EQ(outcome(unsupported.resolve()), "unsupported pixel format: R5G6B5");

  OneSurface no_mips(texture(Kind::R8G8B8, 1, 1, {0, 0, 0}), 0);
  no_mips.builder().add_file(kMips, mip_list({}));
  EXPECT_EQ(outcome(no_mips.resolve()), "SurfaceTexture has no mips");

  OneSurface absent_mips(texture(Kind::A8, 1, 1, {0}), 0);
  absent_mips.builder().add_file(kSurface, textured_surface(0x05000099));
  EXPECT_EQ(outcome(absent_mips.resolve()), "File ID 05000099 not found in provider");
}

// Five surfaces on one 64 x 64 texture (12 KiB), one of them through its own
// palette. Reading within exactly what the archive holds, they all resolve
// only because the session reads each file once; the palette stays part of
// the texture cache's key.
TEST(ResolveSession, SurfacesSharingATextureReadItOnce) {
  ArchiveBuilder b;
  b.add_file(kMips, mip_list({kTexture}));
  b.add_file(kTexture, encode(texture(Kind::P8, 64, 64, Bytes(64 * 64 * 3, 1), kDefaultPalette)));
  b.add_file(kDefaultPalette, palette(kDefaultPalette, 0xFFC80000));
  b.add_file(kSurfacePalette, palette(kSurfacePalette, 0xFF00C800));
  for (std::uint32_t k = 0; k < 5; ++k) {
    b.add_file(kSurface + k, textured_surface(kMips, k == 2 ? kSurfacePalette : 0));
  }
  const ArchiveFile file(b);
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  ResolveSession session = ResolveSession::for_archive(*db);
  const auto outcomes = [&](bool cached) {
    session = ResolveSession::for_archive(*db);
    session.reads = db->unread_budget(0, 0);
    std::vector<std::string> seen;
    for (std::uint32_t k = 0; k < 5; ++k) {
      if (!cached) {
        session.textures = {};
        session.records = RecordCache(Limits{}.record_cache_bytes);
      }
      seen.push_back(outcome(dominant_for(*db, kSurface + k, nullptr, &session)));
    }
    return seen;
  };
  const std::string red = "ok 200 0 0 textured";
  EXPECT_EQ(outcomes(true), (std::vector<std::string>{red, red, "ok 0 200 0 textured", red, red}));
  EXPECT_FALSE(session.reads.exhausted());
  EXPECT_FALSE(outcomes(false).back().starts_with("ok"));
  EXPECT_TRUE(session.reads.exhausted());
}

// A 33-byte record can name a 1024 x 1024 DXT1 texture that decodes to
// 4 MiB from 8 bytes; decoded images count against the session's decode
// budget, which must not be used up before an image nor passed by it.
TEST(ResolveSession, DecodedImagesCountAgainstTheDecodeBudget) {
  ArchiveBuilder b;
  for (std::uint32_t k = 0; k < 3; ++k) {
    b.add_file(kTexture + k, encode(texture(Kind::Dxt1, 1024, 1024, Bytes(8, 0))));
    b.add_file(kMips + k, mip_list({kTexture + k}));
    b.add_file(kSurface + k, textured_surface(kMips + k));
  }
  const ArchiveFile file(b);
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  ResolveSession session = ResolveSession::for_archive(*db);
  session.decodes = dat::Allowance(9u << 20);
  EXPECT_EQ(outcome(dominant_for(*db, kSurface, nullptr, &session)), "ok 0 0 0 textured");
  EXPECT_EQ(outcome(dominant_for(*db, kSurface + 1, nullptr, &session)), "ok 0 0 0 textured");
  EXPECT_FALSE(session.decodes.refused());
  // The text is what the survey's users are shown for it; callers know it
  // by its kind.
  const auto refused = dominant_for(*db, kSurface + 2, nullptr, &session);
  EXPECT_EQ(outcome(refused), "Other error: decode limit of 9437184 bytes reached");
  ASSERT_FALSE(refused);
  const auto* limit = std::get_if<dat::DatError>(&refused.error().failure());
  ASSERT_NE(limit, nullptr);
  EXPECT_TRUE(limit->decode_limit_reached());
  EXPECT_TRUE(session.decodes.refused());
}

// The most recently used records stay within the capacity, each costing its
// bytes and its bookkeeping; a record costing more than a quarter of it is
// not held at all.
TEST(RecordCache, KeepsTheMostRecentlyUsedWithinItsCapacity) {
  RecordCache cache(4 * (25 + RecordCache::kRecordOverhead));
  const auto record = [](std::size_t size) {
    return std::make_shared<const Bytes>(size, std::uint8_t{0});
  };
  cache.remember(1, record(25));
  cache.remember(2, record(25));
  cache.remember(3, record(25));
  cache.remember(4, record(26));  // too large to hold
  EXPECT_EQ(cache.find(4), nullptr);
  ASSERT_NE(cache.find(1), nullptr);  // 1 is now the most recently used
  cache.remember(5, record(25));
  cache.remember(6, record(25));  // five records: 2, the least recently used, goes
  EXPECT_EQ(cache.find(2), nullptr);
  for (const std::uint32_t id : {1u, 3u, 5u, 6u}) EXPECT_NE(cache.find(id), nullptr) << id;
}

}  // namespace
}  // namespace brackwater::survey
