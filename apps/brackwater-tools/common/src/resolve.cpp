#include "brackwater/tools/resolve.hpp"

#include <functional>
#include <string>

#include "brackwater/dat/display.hpp"

namespace brackwater::tools {
namespace {

using dat::DatDatabase;

// A fetch drawing on `budget` when there is one.
std::expected<dat::Bytes, dat::DatError> fetch(const DatDatabase& db, std::uint32_t id,
                                               dat::ReadBudget* budget) {
  return budget ? db.get_file(id, *budget) : db.get_file(id);
}

// The palette with id `palette_id`, or "0x{id}: {reason}" when it cannot be
// fetched or parsed.
std::expected<dat::Palette, std::string> fetch_palette(const DatDatabase& db,
                                                       std::uint32_t palette_id,
                                                       ResolveObserver* observer,
                                                       dat::ReadBudget* budget) {
  const auto failure = [palette_id](const std::string& reason) {
    return std::unexpected("0x" + dat::hex8(palette_id) + ": " + reason);
  };
  auto bytes = fetch(db, palette_id, budget);
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

// One surface's way through the archive.
class Resolution {
 public:
  Resolution(const DatDatabase& db, ResolveObserver* observer, ResolveSession* session)
      : db_(db), observer_(observer), session_(session) {}

  std::expected<SurfaceColor, ToolError> surface(std::uint32_t surface_id) {
    auto bytes = fetch(db_, surface_id, budget());
    if (!bytes) return std::unexpected(ToolError::from(bytes.error()));
    auto surface = dat::Surface::unpack(*bytes);
    if (!surface) return std::unexpected(ToolError::from(surface.error()));
    if (observer_) observer_->on_surface(*surface);
    if (surface->color_value) return solid_color(*surface->color_value);
    return textured(*surface->texture_refs);
  }

 private:
  std::expected<SurfaceColor, ToolError> textured(const dat::TextureRefs& refs) {
    auto mips_bytes = fetch(db_, refs.orig_texture_id, budget());
    if (!mips_bytes) return std::unexpected(ToolError::from(mips_bytes.error()));
    auto mips = dat::SurfaceTexture::unpack(*mips_bytes);
    if (!mips) return std::unexpected(ToolError::from(mips.error()));
    if (observer_) observer_->on_surface_texture(refs.orig_texture_id, *mips);
    if (mips->textures.empty()) return std::unexpected(ToolError("SurfaceTexture has no mips"));

    const std::uint32_t texture_id = mips->textures.back();
    if (!session_) return mip(texture_id, refs.orig_palette_id);
    const TextureColorCache::Key key{texture_id, refs.orig_palette_id};
    if (const auto* known = session_->textures.find(key)) return *known;
    return session_->textures.remember(key, mip(texture_id, refs.orig_palette_id));
  }

  // The colour of texture `texture_id` on a surface naming `surface_palette_id`.
  std::expected<SurfaceColor, ToolError> mip(std::uint32_t texture_id,
                                             std::uint32_t surface_palette_id) {
    auto texture = [&]() -> std::expected<dat::Texture, dat::DatError> {
      auto bytes = fetch(db_, texture_id, budget());
      if (!bytes) return std::unexpected(std::move(bytes.error()));
      return dat::Texture::unpack(*bytes);
    }();
    if (!texture) return std::unexpected(ToolError::from(texture.error()));
    if (observer_) observer_->on_texture(texture_id, *texture);

    const PaletteChoice choice = choose_palette(*texture, surface_palette_id);
    if (observer_) observer_->on_palette_choice(choice);
    // A few bytes of texture can ask for millions of pixels, so decoding
    // counts against the read limit too: what is left must not be used up
    // before, and must cover the pixels after.
    if (budget() && budget()->used_up()) {
      return std::unexpected(ToolError::from(budget()->spent_error()));
    }
    auto pixels = texture_rgba8(db_, *texture, choice, observer_, budget());
    if (!pixels) return std::unexpected(ToolError::from(pixels.error()));
    if (budget() && !budget()->spend(0, pixels->size())) {
      return std::unexpected(ToolError::from(budget()->spent_error()));
    }
    if (observer_) observer_->on_pixels(*texture, *pixels);
    return SurfaceColor{dominant_rgb(*pixels), false};
  }

  dat::ReadBudget* budget() { return session_ ? &session_->budget : nullptr; }

  const DatDatabase& db_;
  ResolveObserver* observer_;
  ResolveSession* session_;
};

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
                                                                 ResolveObserver* observer,
                                                                 dat::ReadBudget* budget) {
  // The conversion asks for the texture's default palette; an override
  // answers with the surface's own instead.
  const bool override_palette = choice.source == PaletteChoice::Source::SurfaceOverride;
  const auto fetch = [&](std::uint32_t requested) {
    return fetch_palette(db, override_palette ? *choice.palette_id : requested, observer, budget);
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
                                                    ResolveSession* session) {
  return Resolution(db, observer, session).surface(surface_id);
}

}  // namespace brackwater::tools
