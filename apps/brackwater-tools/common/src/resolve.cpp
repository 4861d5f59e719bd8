#include "brackwater/tools/resolve.hpp"

#include <functional>
#include <string>

#include "brackwater/dat/display.hpp"

namespace brackwater::tools {
namespace {

using dat::DatDatabase;

// The palette with id `palette_id`, or "0x{id}: {reason}" when it cannot be
// fetched or parsed.
std::expected<dat::Palette, std::string> fetch_palette(const DatDatabase& db,
                                                       std::uint32_t palette_id,
                                                       ResolveObserver* observer) {
  const auto failure = [palette_id](const std::string& reason) {
    return std::unexpected("0x" + dat::hex8(palette_id) + ": " + reason);
  };
  auto bytes = db.get_file(palette_id);
  if (!bytes) return failure(bytes.error().message());
  auto palette = dat::Palette::unpack(*bytes);
  if (!palette) return failure(palette.error().message());
  if (observer) observer->on_palette(palette_id, *palette);
  return std::move(*palette);
}

SurfaceColor solid_color(std::uint32_t word) {
  return SurfaceColor{Rgb{static_cast<std::uint8_t>(word >> 16),
                          static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)},
                      true};
}

// The colour of texture `texture_id` on a surface naming `surface_palette_id`.
std::expected<SurfaceColor, ToolError> mip_color(const DatDatabase& db, std::uint32_t texture_id,
                                                 std::uint32_t surface_palette_id,
                                                 ResolveObserver* observer) {
  auto texture = [&]() -> std::expected<dat::Texture, dat::DatError> {
    auto bytes = db.get_file(texture_id);
    if (!bytes) return std::unexpected(std::move(bytes.error()));
    return dat::Texture::unpack(*bytes);
  }();
  if (!texture) return std::unexpected(ToolError::from(texture.error()));
  if (observer) observer->on_texture(texture_id, *texture);

  const PaletteChoice choice = choose_palette(*texture, surface_palette_id);
  if (observer) observer->on_palette_choice(choice);
  auto pixels = texture_rgba8(db, *texture, choice, observer);
  if (!pixels) return std::unexpected(ToolError::from(pixels.error()));
  if (observer) observer->on_pixels(*texture, *pixels);
  return SurfaceColor{dominant_rgb(*pixels), false};
}

std::expected<SurfaceColor, ToolError> texture_color(const DatDatabase& db,
                                                     const dat::TextureRefs& refs,
                                                     ResolveObserver* observer,
                                                     TextureColorCache* cache) {
  auto mips_bytes = db.get_file(refs.orig_texture_id);
  if (!mips_bytes) return std::unexpected(ToolError::from(mips_bytes.error()));
  auto mips = dat::SurfaceTexture::unpack(*mips_bytes);
  if (!mips) return std::unexpected(ToolError::from(mips.error()));
  if (observer) observer->on_surface_texture(refs.orig_texture_id, *mips);
  if (mips->textures.empty()) return std::unexpected(ToolError("SurfaceTexture has no mips"));

  const std::uint32_t texture_id = mips->textures.back();
  if (!cache) return mip_color(db, texture_id, refs.orig_palette_id, observer);
  const TextureColorCache::Key key{texture_id, refs.orig_palette_id};
  if (const auto* known = cache->find(key)) return *known;
  return cache->remember(key, mip_color(db, texture_id, refs.orig_palette_id, observer));
}

}  // namespace

PaletteChoice choose_palette(const dat::Texture& texture, std::uint32_t surface_palette_id) {
  using Source = PaletteChoice::Source;
  if (!texture.format().paletted()) return {Source::None, std::nullopt};
  if (surface_palette_id != 0) return {Source::SurfaceOverride, surface_palette_id};
  return {Source::TextureDefault, texture.default_palette_id};
}

std::expected<dat::Bytes, dat::TextureDecodeError> texture_rgba8(const DatDatabase& db,
                                                                 const dat::Texture& texture,
                                                                 const PaletteChoice& choice,
                                                                 ResolveObserver* observer) {
  // The conversion asks for the texture's default palette; an override
  // answers with the surface's own instead.
  const bool override_palette = choice.source == PaletteChoice::Source::SurfaceOverride;
  const auto fetch = [&](std::uint32_t requested) {
    return fetch_palette(db, override_palette ? *choice.palette_id : requested, observer);
  };
  // Passed by reference, the fetcher fits std::function's inline storage:
  // no allocation per texture.
  return dat::to_rgba8(texture, std::ref(fetch));
}

const TextureColorCache::Outcome* TextureColorCache::find(const Key& key) const {
  const auto found = outcomes_.find(key);
  return found == outcomes_.end() ? nullptr : &found->second;
}

const TextureColorCache::Outcome& TextureColorCache::remember(const Key& key, Outcome outcome) {
  return outcomes_.insert_or_assign(key, std::move(outcome)).first->second;
}

std::expected<SurfaceColor, ToolError> dominant_for(const DatDatabase& db, std::uint32_t surface_id,
                                                    ResolveObserver* observer,
                                                    TextureColorCache* cache) {
  auto bytes = db.get_file(surface_id);
  if (!bytes) return std::unexpected(ToolError::from(bytes.error()));
  auto surface = dat::Surface::unpack(*bytes);
  if (!surface) return std::unexpected(ToolError::from(surface.error()));
  if (observer) observer->on_surface(*surface);
  if (surface->color_value) return solid_color(*surface->color_value);
  return texture_color(db, *surface->texture_refs, observer, cache);
}

}  // namespace brackwater::tools
