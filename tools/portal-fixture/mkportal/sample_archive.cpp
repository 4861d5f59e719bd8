// The sample archive: a few hundred surfaces whose colours follow from simple
// rules, so that a survey of it can be checked by hand.
//
// Surface i (0 to 299) has the id 0x08000000 + i, except the last, which sits
// at 0x08FFFFFF. Every 21st surface from i = 10 on is broken, in the order of
// Fault; every other surface looks as Look number i % 13 says. All that varies
// between surfaces comes from one word, SplitMix64::at(seed, i) (see Traits).
//
// A textured surface shows a two-tone picture: a plain tone, and a stripe
// tone on the pixels where (x + y) % 4 == 3 of its last mip, always the
// smaller share. One of the tones is the colour that the surface resolves
// to; the other differs from it in the top bit of red (or is transparent).
// Mips before the last show the same picture enlarged, each twice the size
// of the next, so every mip is a downscale of the first and the colour looks
// like the texture it stands for.

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "portal_fixture/archive_stream_writer.hpp"
#include "portal_fixture/records.hpp"
#include "profiles.hpp"
#include "splitmix64.hpp"
#include "texture_art.hpp"

namespace mkportal {
namespace {

namespace dat = brackwater::dat;
using portal_fixture::ArchiveStreamWriter;
using portal_fixture::encode;
using portal_fixture::solid_surface;
using portal_fixture::texture;
using portal_fixture::textured_surface;

constexpr std::uint32_t kSurfaces = 300;
constexpr std::uint32_t kFirstSurface = dat::first_id_of_type(dat::kSurfaceIdType);
constexpr std::uint32_t kLastSurface = dat::last_id_of_type(dat::kSurfaceIdType);
constexpr std::uint32_t kFirstMips = 0x05000000;
constexpr std::uint32_t kFirstTexture = 0x06000000;  // four ids per surface
constexpr std::uint32_t kFirstPalette = 0x04000000;
constexpr std::uint32_t kPalettes = 8;
constexpr std::uint32_t kPaletteSize = 512;
// Palette entry j of palette p is word 0x10000 + 0x1000 p + j.
constexpr std::uint64_t kPaletteWords = 0x10000;
constexpr std::uint32_t kSmallPalette = 0x04000100;  // 16 colours
constexpr std::uint32_t kAbsentPalette = 0x04000F00;
// Solid surface records stored just outside the surface range.
constexpr std::array<std::uint32_t, 2> kOutsideSurfaceRange = {0x07FFFFFF, 0x09000000};

enum class Look {
  Solid,
  R8G8B8,
  A8R8G8B8,
  A8,
  P8,
  P8SurfacePalette,
  Index16,
  LscapeR8G8B8,
  LscapeAlpha,
  Dxt1,
  Dxt1Transparent,
  Dxt3,
  Dxt5,
};
constexpr std::uint32_t kLooks = 13;

enum class Fault {
  MissingSurfaceTexture,
  NoMips,
  UnsupportedFormat,
  ShortPixels,
  MissingPalette,
  PaletteIndexOutOfRange,
  TruncatedSurface,
};
constexpr std::uint32_t kFaults = 7;
constexpr std::uint32_t kFaultEvery = 21;
constexpr std::uint32_t kFirstFault = 10;

struct Size {
  std::uint32_t width;
  std::uint32_t height;
};
constexpr std::array<Size, 6> kSizes = {{{8, 8}, {4, 4}, {6, 5}, {16, 8}, {5, 7}, {12, 12}}};

// Surface i's share of its word: bits 0-23 a colour (red lowest), 24-31 the
// top byte of a solid colour word, 32-47 an RGB565 endpoint, 48-50 its
// palette, 51-53 how far on its surface palette is, 56-59 its size, 60-63
// its number of mips.
struct Traits {
  std::uint8_t red, green, blue, top;
  std::uint16_t endpoint;
  std::uint32_t palette;
  std::uint32_t surface_palette;
  Size size;
  std::uint32_t mips;

  explicit Traits(std::uint64_t word)
      : red(static_cast<std::uint8_t>(word)),
        green(static_cast<std::uint8_t>(word >> 8)),
        blue(static_cast<std::uint8_t>(word >> 16)),
        top(static_cast<std::uint8_t>(word >> 24)),
        endpoint(static_cast<std::uint16_t>(word >> 32)),
        palette(kFirstPalette + ((word >> 48) & 7)),
        surface_palette(kFirstPalette + ((word >> 48 & 7) + 1 + (word >> 51 & 7) % 7) % kPalettes),
        size(kSizes[(word >> 56 & 0xF) % kSizes.size()]),
        mips(1 + static_cast<std::uint32_t>(word >> 60) % 3) {}
};

// The two tones of a picture. Raw formats: the stored bytes of one pixel.
// DXT: {colour index, alpha code} of one pixel of the block.
struct Tones {
  Bytes plain;
  Bytes stripe;
};

// The picture at a mip `scale` levels above the last: each of its pixels is
// one of the last mip's, enlarged 2^scale times.
struct Picture {
  Size size;  // of the mip
  unsigned scale;

  const Bytes& tone(const Tones& tones, std::uint32_t x, std::uint32_t y) const {
    return ((x >> scale) + (y >> scale)) % 4 == 3 ? tones.stripe : tones.plain;
  }
};

Bytes raw_picture(const Picture& picture, const Tones& tones) {
  Bytes out;
  for (std::uint32_t y = 0; y < picture.size.height; ++y) {
    for (std::uint32_t x = 0; x < picture.size.width; ++x) {
      const Bytes& pixel = picture.tone(tones, x, y);
      out.insert(out.end(), pixel.begin(), pixel.end());
    }
  }
  return out;
}

// Field `part` of each pixel's tone in the 4x4 tile at (x, y), `bits` wide,
// pixel 0 lowest.
std::uint64_t tile_codes(const Picture& picture, const Tones& tones, std::uint32_t x,
                         std::uint32_t y, std::size_t part, unsigned bits) {
  std::uint64_t codes = 0;
  for (unsigned p = 0; p < 16; ++p) {
    const Bytes& tone = picture.tone(tones, x + p % 4, y + p / 4);
    codes |= std::uint64_t{tone[part]} << (bits * p);
  }
  return codes;
}

Bytes dxt_picture(PixelKind kind, const Picture& picture, std::uint16_t c0, std::uint16_t c1,
                  const Tones& tones) {
  Bytes out;
  for (std::uint32_t y = 0; y < picture.size.height; y += 4) {
    for (std::uint32_t x = 0; x < picture.size.width; x += 4) {
      const auto codes = [&](std::size_t part, unsigned bits) {
        return tile_codes(picture, tones, x, y, part, bits);
      };
      if (kind == PixelKind::Dxt3) put_dxt3_alpha(out, codes(1, 4));
      if (kind == PixelKind::Dxt5) put_dxt5_alpha(out, 0, 255, codes(1, 3));
      put_colour_block(out, c0, c1, static_cast<std::uint32_t>(codes(0, 2)));
    }
  }
  return out;
}

std::uint8_t flip(std::uint8_t channel) {
  return static_cast<std::uint8_t>(channel ^ 0x80);
}

// One mip of a healthy textured surface, `scale` levels above the last.
dat::Texture look_texture(Look look, const Traits& t, std::uint32_t id, unsigned scale) {
  const Picture picture{{t.size.width << scale, t.size.height << scale}, scale};
  const auto width = static_cast<std::int32_t>(picture.size.width);
  const auto height = static_cast<std::int32_t>(picture.size.height);
  const auto raw = [&](PixelKind kind, Tones tones, std::optional<std::uint32_t> palette = {}) {
    return texture(kind, width, height, raw_picture(picture, tones), palette, id);
  };
  const auto dxt = [&](PixelKind kind, std::uint16_t c0, std::uint16_t c1, Tones tones) {
    return texture(kind, width, height, dxt_picture(kind, picture, c0, c1, tones), std::nullopt,
                   id);
  };
  const auto high = static_cast<std::uint16_t>(t.endpoint | 0x8000);
  const auto low = static_cast<std::uint16_t>(t.endpoint & 0x7FFF);
  switch (look) {
    case Look::R8G8B8:
      return raw(PixelKind::R8G8B8, {{t.blue, t.green, t.red}, {t.blue, t.green, flip(t.red)}});
    case Look::LscapeR8G8B8:
      return raw(PixelKind::CustomLscapeR8G8B8,
                 {{t.red, t.green, t.blue}, {flip(t.red), t.green, t.blue}});
    case Look::A8R8G8B8:
      return raw(PixelKind::A8R8G8B8,
                 {{t.blue, t.green, flip(t.red), static_cast<std::uint8_t>(t.top & 0x7F)},
                  {t.blue, t.green, t.red, static_cast<std::uint8_t>(t.top | 0x80)}});
    case Look::A8:
      return raw(PixelKind::A8, {{t.red}, {flip(t.red)}});
    case Look::LscapeAlpha:
      return raw(PixelKind::CustomLscapeAlpha, {{t.red}, {flip(t.red)}});
    case Look::P8:
    case Look::P8SurfacePalette:
      return raw(PixelKind::P8, {{t.red}, {flip(t.red)}}, t.palette);
    case Look::Index16:
      return raw(PixelKind::Index16, {{t.red, 1}, {flip(t.red), 1}}, t.palette);
    case Look::Dxt1:  // four colours; the plain tone is c0
      return dxt(PixelKind::Dxt1, high, low, {{0, 0}, {1, 0}});
    case Look::Dxt1Transparent:  // three colours; plain is transparent, the stripe their mean
      return dxt(PixelKind::Dxt1, low, high, {{3, 0}, {2, 0}});
    case Look::Dxt3:  // four colours although c0 < c1; plain alpha 119, stripe 255
      return dxt(PixelKind::Dxt3, low, high, {{1, 7}, {2, 15}});
    case Look::Dxt5:  // alpha from 0 (index 6) to 255 (index 7)
      return dxt(PixelKind::Dxt5, high, low, {{0, 6}, {3, 7}});
    case Look::Solid:
      break;
  }
  return {};
}

// Even surfaces are of the plain textured type, odd ones of another type
// with a textured bit.
std::uint32_t textured_type(std::uint32_t index) {
  return index % 2 == 0 ? 0x2 : 0x10004;
}

class SampleWriter {
 public:
  SampleWriter(ArchiveStreamWriter& out, std::uint64_t seed) : out_(out), seed_(seed) {}

  void surface(std::uint32_t index) {
    const std::uint32_t id = index + 1 == kSurfaces ? kLastSurface : kFirstSurface + index;
    const Traits traits(SplitMix64::at(seed_, index));
    const bool compress = index % 4 == 1;
    if (index % kFaultEvery == kFirstFault) {
      const auto fault = static_cast<Fault>(index / kFaultEvery % kFaults);
      broken(fault, index, id, compress);
      ++broken_;
      return;
    }
    const auto look = static_cast<Look>(index % kLooks);
    if (look == Look::Solid) {
      const std::uint32_t word = std::uint32_t{traits.top} << 24 | std::uint32_t{traits.red} << 16 |
                                 std::uint32_t{traits.green} << 8 | traits.blue;
      out_.add_file(id, encode(solid_surface(word)), {.compress = compress});
      return;
    }
    const std::uint32_t surface_palette =
        look == Look::P8SurfacePalette ? traits.surface_palette : 0;
    out_.add_file(id, encode(textured_surface(mips_id(index), surface_palette, textured_type(index))),
                  {.compress = compress});
    std::vector<std::uint32_t> mips;
    for (std::uint32_t level = 0; level < traits.mips; ++level) {
      mips.push_back(texture_id(index, level));
      texture(index, look_texture(look, traits, mips.back(), traits.mips - 1 - level));
    }
    surface_texture(index, std::move(mips));
  }

  void palettes() {
    for (std::uint32_t p = 0; p < kPalettes; ++p) {
      dat::Palette palette{kFirstPalette + p, {}};
      for (std::uint32_t j = 0; j < kPaletteSize; ++j) {
        palette.colors.push_back(palette_color(p, j));
      }
      out_.add_file(palette.id, encode(palette), {.compress = p % 2 == 1});
    }
    dat::Palette small{kSmallPalette, std::vector<std::uint32_t>(16, 0xFF808080)};
    out_.add_file(small.id, encode(small));
  }

  // Surface records a survey must pass over, by their ids alone.
  void outside_surface_range() {
    for (const std::uint32_t id : kOutsideSurfaceRange) {
      out_.add_file(id, encode(solid_surface(0xFF010203)));
    }
  }

  std::size_t broken_count() const { return broken_; }

 private:
  static std::uint32_t mips_id(std::uint32_t index) { return kFirstMips + index; }
  static std::uint32_t texture_id(std::uint32_t index, std::uint32_t level) {
    return kFirstTexture + 4 * index + level;
  }

  // Alpha 128 to 255; red's top bit is that of the index, so entries j and
  // j ^ 0x80 never share a colour cell.
  std::uint32_t palette_color(std::uint32_t p, std::uint32_t j) const {
    const std::uint64_t word = SplitMix64::at(seed_, kPaletteWords + 0x1000 * p + j);
    const auto alpha = static_cast<std::uint32_t>(0x80 | word >> 57);
    return alpha << 24 | (j & 0x80) << 16 | static_cast<std::uint32_t>(word & 0x7FFFFF);
  }

  void texture(std::uint32_t index, const dat::Texture& texture) {
    out_.add_file(texture.id, encode(texture), {.compress = index % 5 == 2});
  }

  void surface_texture(std::uint32_t index, std::vector<std::uint32_t> mips) {
    out_.add_file(mips_id(index),
                  encode(dat::SurfaceTexture{mips_id(index), 0, 0, std::move(mips)}));
  }

  // A 4x4 picture of the fault's kind on a surface that refers to it.
  void broken(Fault fault, std::uint32_t index, std::uint32_t id, bool compress) {
    const std::uint32_t palette = fault == Fault::MissingPalette ? kAbsentPalette : kSmallPalette;
    Bytes surface = encode(textured_surface(mips_id(index), 0, textured_type(index)));
    if (fault == Fault::TruncatedSurface) surface.resize(10);
    out_.add_file(id, surface, {.compress = compress});
    if (fault == Fault::MissingSurfaceTexture) return;
    if (fault == Fault::NoMips) {
      surface_texture(index, {});
      return;
    }
    const std::uint32_t tex = texture_id(index, 0);
    switch (fault) {
      case Fault::UnsupportedFormat:
        texture(index, portal_fixture::texture(PixelKind::R5G6B5, 4, 4, Bytes(32, 0x5A), std::nullopt, tex));
        break;
      case Fault::ShortPixels:
        texture(index, portal_fixture::texture(PixelKind::R8G8B8, 4, 4, Bytes(47, 0x5A), std::nullopt, tex));
        break;
      default:  // the palette is absent, or has 16 colours for index 200
        texture(index, portal_fixture::texture(PixelKind::P8, 4, 4, Bytes(16, 200), palette, tex));
        break;
    }
    surface_texture(index, {tex});
  }

  ArchiveStreamWriter& out_;
  std::uint64_t seed_;
  std::size_t broken_ = 0;
};

}  // namespace

std::expected<ArchiveSummary, std::string> write_sample(const std::filesystem::path& out,
                                                        std::uint64_t seed) {
  auto archive = ArchiveStreamWriter::create(out);
  if (!archive) return std::unexpected(archive.error());
  SampleWriter sample(*archive, seed);
  for (std::uint32_t index = 0; index < kSurfaces; ++index) sample.surface(index);
  sample.palettes();
  sample.outside_surface_range();
  if (auto finished = archive->finish(); !finished) return std::unexpected(finished.error());
  return ArchiveSummary{archive->file_count(), kSurfaces, sample.broken_count(), archive->size()};
}

}  // namespace mkportal
