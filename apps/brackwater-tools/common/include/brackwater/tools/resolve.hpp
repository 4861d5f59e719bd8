#pragma once

#include <cstdint>
#include <expected>
#include <map>
#include <optional>
#include <utility>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "brackwater/dat/read_budget.hpp"
#include "brackwater/tools/dominant.hpp"
#include "brackwater/tools/tool_error.hpp"

namespace brackwater::tools {

// One surface's colour, and whether it came from its own colour word.
struct SurfaceColor {
  Rgb rgb;
  bool solid = false;
};

// Which palette colours a texture, and why.
struct PaletteChoice {
  enum class Source {
    None,             // the format is not palette-indexed
    TextureDefault,   // the texture's default palette (absent when it names none)
    SurfaceOverride,  // the surface's own palette, in place of the texture's default
  };
  Source source = Source::None;
  std::optional<std::uint32_t> palette_id;
};

// A paletted texture on a surface with a palette of its own (not 0) is
// coloured by the surface's palette instead of the texture's default one.
PaletteChoice choose_palette(const dat::Texture& texture, std::uint32_t surface_palette_id);

// Told each record of one resolution as it is read, so a caller can show the
// way a surface took. Every hook does nothing unless overridden.
class ResolveObserver {
 public:
  virtual ~ResolveObserver() = default;
  virtual void on_surface(const dat::Surface&) {}
  virtual void on_surface_texture(std::uint32_t, const dat::SurfaceTexture&) {}
  virtual void on_texture(std::uint32_t, const dat::Texture&) {}
  virtual void on_palette_choice(const PaletteChoice&) {}
  virtual void on_palette(std::uint32_t, const dat::Palette&) {}
  virtual void on_pixels(const dat::Texture&, dat::ByteSpan) {}
};

// The texture as RGBA8, with the palette `choice` names for paletted formats,
// fetched within `budget` when one is given.
std::expected<dat::Bytes, dat::TextureDecodeError> texture_rgba8(
    const dat::DatDatabase& db, const dat::Texture& texture, const PaletteChoice& choice,
    ResolveObserver* observer = nullptr, dat::ReadBudget* budget = nullptr);

// Textures' colours as worked out once, by texture id and the palette the
// surface names: surfaces sharing a texture then read and decode it once. The
// outcome depends on nothing else, so reusing it changes no result.
class TextureColorCache {
 public:
  using Key = std::pair<std::uint32_t, std::uint32_t>;  // texture id, surface palette id
  using Outcome = std::expected<SurfaceColor, ToolError>;

  const Outcome* find(const Key& key) const;
  const Outcome& remember(const Key& key, Outcome outcome);

 private:
  std::map<Key, Outcome> outcomes_;
};

// What resolving many surfaces of one archive shares: one read limit over
// all their fetches and decoded pixels (a few bytes of record can name a
// 4096 x 4096 texture, or a chain that other entries share), and the outcome
// of every texture already resolved.
struct ResolveSession {
  dat::ReadBudget budget;
  TextureColorCache textures;
};

// Resolves one surface id to its colour: its solid colour word, or the
// dominant colour of the last mip of its texture. `observer`, when given, is
// told every record on the way; `session`, when given, bounds the work and
// answers for textures already resolved (which the observer is then not told
// of again).
std::expected<SurfaceColor, ToolError> dominant_for(const dat::DatDatabase& db,
                                                    std::uint32_t surface_id,
                                                    ResolveObserver* observer = nullptr,
                                                    ResolveSession* session = nullptr);

}  // namespace brackwater::tools
