#include "brackwater/tools/resolve.hpp"

#include <optional>

#include "brackwater/dat/display.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"

namespace brackwater::tools {
namespace {

using dat::DatDatabase;

// The palette with id `palette_id`, or "0x{id}: {reason}" when it cannot be
// fetched or parsed.
std::expected<dat::Palette, std::string> fetch_palette(const DatDatabase& db,
                                                       std::uint32_t palette_id) {
  const auto failure = [palette_id](const std::string& reason) {
    return std::unexpected("0x" + dat::hex8(palette_id) + ": " + reason);
  };
  auto bytes = db.get_file(palette_id);
  if (!bytes) return failure(bytes.error().message());
  auto palette = dat::Palette::unpack(*bytes);
  if (!palette) return failure(palette.error().message());
  return std::move(*palette);
}

SurfaceColor solid_color(std::uint32_t word) {
  return SurfaceColor{Rgb{static_cast<std::uint8_t>(word >> 16),
                          static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)},
                      true};
}

std::expected<SurfaceColor, ToolError> texture_color(const DatDatabase& db,
                                                     const dat::TextureRefs& refs) {
  auto mips_bytes = db.get_file(refs.orig_texture_id);
  if (!mips_bytes) return std::unexpected(ToolError::from(mips_bytes.error()));
  auto mips = dat::SurfaceTexture::unpack(*mips_bytes);
  if (!mips) return std::unexpected(ToolError::from(mips.error()));
  if (mips->textures.empty()) return std::unexpected(ToolError("SurfaceTexture has no mips"));

  auto texture_bytes = db.get_file(mips->textures.back());
  if (!texture_bytes) return std::unexpected(ToolError::from(texture_bytes.error()));
  auto texture = dat::Texture::unpack(*texture_bytes);
  if (!texture) return std::unexpected(ToolError::from(texture.error()));

  // A paletted texture on a surface with a palette of its own is coloured by
  // the surface's palette instead of the texture's default one.
  const std::optional<std::uint32_t> surface_palette =
      texture->format().paletted() && refs.orig_palette_id != 0
          ? std::optional(refs.orig_palette_id)
          : std::nullopt;
  // Two small captures fit std::function's inline storage: no allocation.
  const dat::PaletteFetcher fetcher = [&db, surface_palette](std::uint32_t requested) {
    return fetch_palette(db, surface_palette.value_or(requested));
  };
  auto pixels = dat::to_rgba8(*texture, fetcher);
  if (!pixels) return std::unexpected(ToolError::from(pixels.error()));
  return SurfaceColor{dominant_rgb(*pixels), false};
}

}  // namespace

std::expected<SurfaceColor, ToolError> dominant_for(const DatDatabase& db,
                                                    std::uint32_t surface_id) {
  auto bytes = db.get_file(surface_id);
  if (!bytes) return std::unexpected(ToolError::from(bytes.error()));
  auto surface = dat::Surface::unpack(*bytes);
  if (!surface) return std::unexpected(ToolError::from(surface.error()));
  if (surface->color_value) return solid_color(*surface->color_value);
  return texture_color(db, *surface->texture_refs);
}

}  // namespace brackwater::tools
