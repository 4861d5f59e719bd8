#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <utility>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "brackwater/dat/prefetched_blocks.hpp"
#include "brackwater/dat/read_budget.hpp"
#include "brackwater/survey/dominant.hpp"
#include "brackwater/survey/flat_id_map.hpp"
#include "brackwater/survey/limits.hpp"
#include "brackwater/survey/record_cache.hpp"
#include "brackwater/survey/survey_error.hpp"

namespace brackwater::survey {

// One surface's colour, and where it came from: its own colour word, the
// pixels of its texture, or the fallback grey when none of those pixels has
// alpha of 128 or more.
struct SurfaceColor {
  Rgb rgb;
  bool solid = false;
  bool fallback_grey = false;
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
// The same from what of the texture matters: whether its format is
// palette-indexed, and the palette it names.
PaletteChoice choose_palette(bool paletted, std::optional<std::uint32_t> default_palette_id,
                             std::uint32_t surface_palette_id);

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

struct ResolveSession;

// The texture as RGBA8, with the palette `choice` names for paletted formats,
// fetched through `session` when one is given.
std::expected<dat::Bytes, dat::TextureDecodeError> texture_rgba8(
    const dat::DatDatabase& db, const dat::Texture& texture, const PaletteChoice& choice,
    ResolveObserver* observer = nullptr, ResolveSession* session = nullptr);

// Textures' colours as worked out once: surfaces sharing a texture then
// read and decode it once. The outcome depends on the texture id and, for a
// paletted texture, on the palette id the surface names; on nothing else,
// so reusing it changes no result.
class TextureColorCache {
 public:
  using Outcome = std::expected<SurfaceColor, SurveyError>;

  std::optional<Outcome> find(std::uint32_t texture_id, std::uint32_t surface_palette_id) const;
  // `surface_palette_id` empty: the outcome holds for every surface palette.
  void remember(std::uint32_t texture_id, std::optional<std::uint32_t> surface_palette_id,
                const Outcome& outcome);

 private:
  // An outcome as held: the colour, or where its failure is kept. Failures
  // are few and large, colours many and small.
  struct Held {
    SurfaceColor color;
    std::uint32_t failure = kNoFailure;
  };
  static constexpr std::uint32_t kNoFailure = UINT32_MAX;

  Held hold(const Outcome& outcome);
  Outcome outcome_of(const Held& held) const;

  FlatIdMap<Held> any_palette_;  // by texture id
  FlatIdMap<Held> by_palette_;   // by texture id and palette id side by side
  std::vector<SurveyError> failures_;
};

// What resolving many surfaces of one archive shares. Files are read through
// `records` and within `reads`: what the archive holds beyond its directory,
// which fetching each file of a sound archive once never passes, while
// entries made to share chains soon do. The bytes of decoded images count
// against `decodes`, since a few bytes of record can name a 4096 x 4096
// image. Textures already resolved answer from `textures`.
struct ResolveSession {
  // The session of a survey of `db` under `limits`.
  static ResolveSession for_archive(const dat::DatDatabase& db, const Limits& limits = {});
  // The archive's unread blocks and bytes, plus the limits' slack.
  static dat::ReadBudget read_allowance(const dat::DatDatabase& db, const Limits& limits = {});

  dat::ReadBudget reads;
  dat::Allowance decodes;
  RecordCache records;
  TextureColorCache textures;
  // Blocks read ahead for the surfaces at hand, which reads take instead of
  // reading the file.
  dat::PrefetchedBlocks prefetched;
  // What one window of surfaces may hold read ahead.
  std::uint64_t read_ahead_bytes = 0;
};

// texture_rgba8 within the session: its reads, its cache and its decode
// allowance, which the image's bytes are taken from.
std::expected<dat::Bytes, SurveyError> decode_in_session(const dat::DatDatabase& db,
                                                       const dat::Texture& texture,
                                                       const PaletteChoice& choice,
                                                       ResolveSession& session,
                                                       ResolveObserver* observer = nullptr);

// What work fails with once decoded images have used up `decodes`.
dat::DatError decode_limit_reached(const dat::Allowance& decodes);

// Palette `palette_id` as a paletted texture's decode fetches it within the
// session, or why it could not be had.
std::expected<dat::Palette, dat::TextureDecodeError::PaletteFetch> palette_in_session(
    const dat::DatDatabase& db, std::uint32_t palette_id, ResolveSession& session);

// A file that surfaces share (a SurfaceTexture, Texture or Palette), from the
// session's cache or read within its budget.
std::expected<RecordCache::Record, dat::DatError> fetch_shared(const dat::DatDatabase& db,
                                                               std::uint32_t id,
                                                               ResolveSession& session);

// Resolves one surface id to its colour: its solid colour word, or the
// dominant colour of the last mip of its texture. `observer`, when given, is
// told every record on the way; `session`, when given, bounds the work and
// answers for textures already resolved (which the observer is then not told
// of again).
std::expected<SurfaceColor, SurveyError> dominant_for(const dat::DatDatabase& db,
                                                    std::uint32_t surface_id,
                                                    ResolveObserver* observer = nullptr,
                                                    ResolveSession* session = nullptr);

}  // namespace brackwater::survey
