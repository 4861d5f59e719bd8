// The large archive: shaped like a client's portal archive, for measuring a
// survey. Blocks of 1024 bytes; per 10,000 surfaces about 100,000 files and
// 500 MB. Most surfaces are textured with a full mip chain of one picture
// from 256x256, 128x128 or 64x64 down to 1x1, mostly DXT1, DXT5 and P8; P8
// textures share a small set of palettes, and some surfaces recolour the
// SurfaceTexture of the P8 surface before them with a palette of their own. Files of other
// kinds, which a survey passes over, fill the id range below the palettes.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "portal_fixture/archive_stream_writer.hpp"
#include "portal_fixture/records.hpp"
#include "picture.hpp"
#include "profiles.hpp"
#include "splitmix64.hpp"
#include "texture_art.hpp"

namespace mkportal {
namespace {

namespace dat = brackwater::dat;
using portal_fixture::ArchiveStreamWriter;
using portal_fixture::encode;

constexpr std::uint32_t kBlockSize = 1024;
constexpr double kSurfacesAtScaleOne = 10'000;
constexpr double kPalettesAtScaleOne = 150;
constexpr double kOtherFilesAtScaleOne = 10'000;
constexpr std::uint32_t kFirstSurface = dat::first_id_of_type(dat::kSurfaceIdType);
constexpr std::uint32_t kFirstMips = 0x05000000;
constexpr std::uint32_t kFirstTexture = 0x06000000;
constexpr std::uint32_t kFirstPalette = 0x04000000;
constexpr std::uint32_t kFirstOtherFile = 0x01000000;
constexpr std::uint32_t kOtherFileSizes = 4000;  // bytes, at most

// Shares out of 100.
constexpr std::uint32_t kSolidShare = 10;
constexpr std::uint32_t kSurfacePaletteShare = 20;  // of P8 surfaces
constexpr std::uint32_t kCompressedSurfaceShare = 12;
constexpr std::uint32_t kCompressedOtherShare = 10;
constexpr std::uint32_t kCompressedP8Share = 25;  // P8 pictures come in runs and shrink well

struct Weighted {
  PixelKind kind;
  std::uint32_t weight;  // out of 100
};
constexpr std::array<Weighted, 9> kFormats = {{
    {PixelKind::Dxt1, 40},
    {PixelKind::P8, 28},
    {PixelKind::Dxt5, 22},
    {PixelKind::A8R8G8B8, 3},
    {PixelKind::Dxt3, 2},
    {PixelKind::R8G8B8, 2},
    {PixelKind::A8, 1},
    {PixelKind::Index16, 1},
    {PixelKind::R5G6B5, 1},  // not decodable: real archives hold a few
}};

struct TopSize {
  std::uint32_t side;
  std::uint32_t weight;  // out of 100
};
constexpr std::array<TopSize, 3> kTopSizes = {{{256, 50}, {128, 35}, {64, 15}}};

template <class Table>
auto pick(SplitMix64& rng, const Table& table) {
  std::uint32_t roll = rng.below(100);
  for (const auto& row : table) {
    if (roll < row.weight) return row;
    roll -= row.weight;
  }
  return table.back();
}

std::uint32_t scaled(double count, double scale) {
  return static_cast<std::uint32_t>(std::max(1.0, std::round(count * scale)));
}

// Each texture's picture, drawn once at the first mip's size: mostly one
// colour, with darker patches; paletted ones mostly one
// palette entry, with patches of four others. Some pictures with alpha are
// cut-outs, mostly transparent, and shrink to the fallback grey.
class Painter {
 public:
  explicit Painter(SplitMix64& rng) : rng_(rng) {
    const std::uint64_t colour = rng_.next();
    for (std::size_t c = 0; c < 3; ++c) base_[c] = static_cast<std::uint8_t>(colour >> (8 * c));
    cut_out_ = rng_.below(100) < kCutOutShare;
    for (std::uint8_t& index : themes_) index = static_cast<std::uint8_t>(rng_.below(256));
  }

  // Every mip's pixels, the first `side` x `side`, each next one halved,
  // down to 1 x 1.
  std::vector<Bytes> mips(PixelKind kind, std::uint32_t side) {
    std::vector<Bytes> out;
    if (kind == PixelKind::P8 || kind == PixelKind::Index16) {
      for (IndexPicture picture = indices(side);; picture = picture.halved()) {
        out.push_back(picture.encode(kind));
        if (picture.side == 1) break;
      }
    } else {
      for (RgbaPicture picture = colours(side);; picture = picture.halved()) {
        out.push_back(picture.encode(kind));
        if (picture.side == 1) break;
      }
    }
    return out;
  }

 private:
  static constexpr std::uint32_t kPatch = 8;         // pixels a side
  static constexpr std::uint32_t kPatchShare = 25;   // out of 100
  static constexpr std::uint32_t kCutOutShare = 20;  // of pictures with alpha

  RgbaPicture colours(std::uint32_t side) {
    RgbaPicture picture{side, Bytes(std::size_t{side} * side * 4)};
    const std::uint32_t patches = (side + kPatch - 1) / kPatch;
    std::vector<std::uint64_t> patch_words(std::size_t{patches} * patches);
    for (std::uint64_t& word : patch_words) word = rng_.next();
    for (std::uint32_t y = 0; y < side; ++y) {
      for (std::uint32_t x = 0; x < side; ++x) {
        const std::uint64_t patch = patch_words[std::size_t{y / kPatch} * patches + x / kPatch];
        const bool dark = patch % 100 < kPatchShare;
        const bool clear = cut_out_ ? patch % 100 < 80 : patch % 100 >= 95;
        std::uint8_t* pixel = picture.at(x, y);
        for (std::size_t c = 0; c < 3; ++c) {
          pixel[c] = static_cast<std::uint8_t>(dark ? base_[c] * 3u / 4 : base_[c]);
        }
        pixel[3] = clear ? (cut_out_ ? 0 : 96) : 255;
      }
    }
    return picture;
  }

  // Tiles of 4 x 4 in one theme, mostly the first, with a sprinkling of
  // the next.
  IndexPicture indices(std::uint32_t side) {
    IndexPicture picture{side, std::vector<std::uint8_t>(std::size_t{side} * side)};
    std::vector<std::uint8_t> tile_theme((side + 3) / 4);
    for (std::uint32_t y = 0; y < side; ++y) {
      if (y % 4 == 0) {
        for (std::uint8_t& theme : tile_theme) {
          const std::uint32_t roll = rng_.below(400);
          theme = roll < 4 * (100 - kPatchShare) ? 0 : static_cast<std::uint8_t>(1 + roll % 3);
        }
      }
      for (std::uint32_t x = 0; x < side; ++x) {
        const std::size_t theme = tile_theme[x / 4] + ((x ^ y) % 7 == 0 ? 1 : 0);
        picture.indices[std::size_t{y} * side + x] = themes_[theme];
      }
    }
    return picture;
  }

  SplitMix64& rng_;
  std::array<std::uint8_t, 3> base_{};
  bool cut_out_ = false;
  std::array<std::uint8_t, 5> themes_{};
};

class LargeWriter {
 public:
  LargeWriter(ArchiveStreamWriter& out, std::uint64_t seed, std::uint32_t palettes)
      : out_(out), rng_(seed), palettes_(palettes) {}

  void palettes() {
    for (std::uint32_t p = 0; p < palettes_; ++p) {
      dat::Palette palette{kFirstPalette + p, std::vector<std::uint32_t>(256)};
      for (std::uint32_t& color : palette.colors) {
        color = 0xFF000000 | static_cast<std::uint32_t>(rng_.next() & 0xFFFFFF);
      }
      out_.add_file(palette.id, encode(palette), {.compress = p % 2 == 1});
    }
  }

  // Files of no kind the survey reads, in runs of repeated words.
  void other_files(std::uint32_t count) {
    for (std::uint32_t k = 0; k < count; ++k) {
      Bytes bytes(16 + rng_.below(kOtherFileSizes));
      for (std::size_t at = 0; at < bytes.size(); at += 8) {
        const std::uint64_t word = rng_.below(4) == 0 ? rng_.next() : 0;
        for (std::size_t b = at; b < std::min(at + 8, bytes.size()); ++b) {
          bytes[b] = static_cast<std::uint8_t>(word >> (8 * (b - at)));
        }
      }
      out_.add_file(kFirstOtherFile + k, bytes,
                    {.compress = rng_.below(100) < kCompressedOtherShare});
    }
  }

  void surface(std::uint32_t index) {
    const std::uint32_t id = kFirstSurface + index;
    const portal_fixture::FileOptions options{.compress =
                                                  rng_.below(100) < kCompressedSurfaceShare};
    dat::Surface surface;
    if (rng_.below(100) < kSolidShare) {
      surface.surface_type = 0x1;
      surface.color_value = static_cast<std::uint32_t>(rng_.next());
      out_.add_file(id, encode(surface), options);
      return;
    }
    surface.surface_type = 0x2;
    const PixelKind kind = pick(rng_, kFormats).kind;
    if (kind == PixelKind::R5G6B5) ++broken_;
    std::uint32_t surface_palette = 0;
    if (kind == PixelKind::P8 && rng_.below(100) < kSurfacePaletteShare) {
      surface_palette = palette_id();
    }
    if (surface_palette != 0 && last_p8_mips_) {
      surface.texture_refs = dat::TextureRefs{*last_p8_mips_, surface_palette};
    } else {
      surface.texture_refs = dat::TextureRefs{surface_texture(kind), surface_palette};
    }
    out_.add_file(id, encode(surface), options);
  }

  std::size_t broken_count() const { return broken_; }

 private:
  std::uint32_t palette_id() { return kFirstPalette + rng_.below(palettes_); }

  // A full mip chain down to 1x1 and the SurfaceTexture listing it.
  std::uint32_t surface_texture(PixelKind kind) {
    const std::optional<std::uint32_t> palette = kind == PixelKind::P8 || kind == PixelKind::Index16
                                                     ? std::optional(palette_id())
                                                     : std::nullopt;
    const bool compress = kind == PixelKind::P8 && rng_.below(100) < kCompressedP8Share;
    Painter painter(rng_);
    dat::SurfaceTexture mips{kFirstMips + mips_count_++, 0, 0, {}};
    std::uint32_t side = pick(rng_, kTopSizes).side;
    for (Bytes& pixels : painter.mips(kind, side)) {
      const std::uint32_t texture_id = kFirstTexture + textures_++;
      const auto texture =
          portal_fixture::texture(kind, static_cast<std::int32_t>(side),
                                  static_cast<std::int32_t>(side), std::move(pixels), palette,
                                  texture_id);
      out_.add_file(texture_id, encode(texture), {.compress = compress});
      mips.textures.push_back(texture_id);
      side /= 2;
    }
    out_.add_file(mips.id, encode(mips));
    if (kind == PixelKind::P8) last_p8_mips_ = mips.id;
    return mips.id;
  }

  ArchiveStreamWriter& out_;
  SplitMix64 rng_;
  std::uint32_t palettes_;
  std::uint32_t mips_count_ = 0;
  std::uint32_t textures_ = 0;
  std::optional<std::uint32_t> last_p8_mips_;
  std::size_t broken_ = 0;
};

}  // namespace

std::expected<ArchiveSummary, std::string> write_large(const std::filesystem::path& out,
                                                       double scale, std::uint64_t seed) {
  auto archive = ArchiveStreamWriter::create(out, {.block_size = kBlockSize});
  if (!archive) return std::unexpected(archive.error());
  const std::uint32_t surfaces = scaled(kSurfacesAtScaleOne, scale);
  LargeWriter large(*archive, seed, scaled(kPalettesAtScaleOne, scale));
  large.palettes();
  large.other_files(scaled(kOtherFilesAtScaleOne, scale));
  for (std::uint32_t index = 0; index < surfaces; ++index) large.surface(index);
  if (auto finished = archive->finish(); !finished) return std::unexpected(finished.error());
  return ArchiveSummary{archive->file_count(), surfaces, large.broken_count(), archive->size()};
}

}  // namespace mkportal
