#include "brackwater/survey/resolve.hpp"

#include <functional>
#include <limits>
#include <memory>
#include <string>

namespace brackwater::survey {
namespace {

using dat::DatDatabase;

using Record = RecordCache::Record;

// The key of a texture's outcome under one surface palette.
std::uint64_t texture_and_palette(std::uint32_t texture_id, std::uint32_t palette_id) {
  return std::uint64_t{texture_id} << 32 | palette_id;
}

// Whether a fetched file is worth holding for other surfaces.
enum class Sharing { Own, Shared };

// A file's bytes; within a session, read within its budget, and a file that
// surfaces share from its cache.
std::expected<Record, dat::DatError> fetch(const DatDatabase& db, std::uint32_t id,
                                           ResolveSession* session, Sharing sharing) {
  const bool reuse = session && sharing == Sharing::Shared;
  if (reuse) {
    if (Record held = session->records.find(id)) return held;
  }
  auto bytes = session ? db.get_file(id, session->reads, session->prefetched) : db.get_file(id);
  if (!bytes) return std::unexpected(std::move(bytes.error()));
  auto record = std::make_shared<const dat::Bytes>(std::move(*bytes));
  if (reuse) session->records.remember(id, record);
  return record;
}

// The palette with id `palette_id`, or why its file could not be fetched or
// parsed.
std::expected<dat::Palette, dat::TextureDecodeError::PaletteFetch> fetch_palette(
    const DatDatabase& db, std::uint32_t palette_id, ResolveObserver* observer,
    ResolveSession* session) {
  using Failure = dat::TextureDecodeError::PaletteFetch;
  auto bytes = fetch(db, palette_id, session, Sharing::Shared);
  if (!bytes) return std::unexpected(Failure{palette_id, std::move(bytes.error())});
  auto palette = dat::Palette::unpack(**bytes);
  if (!palette) return std::unexpected(Failure{palette_id, std::move(palette.error())});
  if (observer) observer->on_palette(palette_id, *palette);
  return std::move(*palette);
}

SurveyError decode_limit_error(const dat::Allowance& decodes) {
  return SurveyError::from(decode_limit_reached(decodes));
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

  std::expected<SurfaceColor, SurveyError> surface(std::uint32_t surface_id) {
    auto bytes = fetch(db_, surface_id, session_, Sharing::Own);
    if (!bytes) return std::unexpected(SurveyError::from(bytes.error()));
    auto surface = dat::Surface::unpack(**bytes);
    if (!surface) return std::unexpected(SurveyError::from(surface.error()));
    if (observer_) observer_->on_surface(*surface);
    if (surface->color_value) return solid_color(*surface->color_value);
    return textured(*surface->texture_refs);
  }

 private:
  std::expected<SurfaceColor, SurveyError> textured(const dat::TextureRefs& refs) {
    auto mips_bytes = fetch(db_, refs.orig_texture_id, session_, Sharing::Shared);
    if (!mips_bytes) return std::unexpected(SurveyError::from(mips_bytes.error()));
    auto mips = dat::SurfaceTexture::unpack(**mips_bytes);
    if (!mips) return std::unexpected(SurveyError::from(mips.error()));
    if (observer_) observer_->on_surface_texture(refs.orig_texture_id, *mips);
    if (mips->textures.empty()) return std::unexpected(SurveyError("SurfaceTexture has no mips"));

    const std::uint32_t texture_id = mips->textures.back();
    if (!session_) return mip(texture_id, refs.orig_palette_id);
    TextureColorCache& known = session_->textures;
    if (auto outcome = known.find(texture_id, refs.orig_palette_id)) return std::move(*outcome);
    auto outcome = mip(texture_id, refs.orig_palette_id);
    known.remember(texture_id,
                   palette_mattered_ ? std::optional(refs.orig_palette_id) : std::nullopt, outcome);
    return outcome;
  }

  // The colour of texture `texture_id` on a surface naming `surface_palette_id`.
  std::expected<SurfaceColor, SurveyError> mip(std::uint32_t texture_id,
                                             std::uint32_t surface_palette_id) {
    auto texture = [&]() -> std::expected<dat::Texture, dat::DatError> {
      auto bytes = fetch(db_, texture_id, session_, Sharing::Shared);
      if (!bytes) return std::unexpected(std::move(bytes.error()));
      return dat::Texture::unpack(**bytes);
    }();
    if (!texture) return std::unexpected(SurveyError::from(texture.error()));
    if (observer_) observer_->on_texture(texture_id, *texture);

    const PaletteChoice choice = choose_palette(*texture, surface_palette_id);
    if (observer_) observer_->on_palette_choice(choice);
    palette_mattered_ = choice.source != PaletteChoice::Source::None;
    auto pixels = decoded(*texture, choice);
    if (!pixels) return std::unexpected(std::move(pixels.error()));
    if (observer_) observer_->on_pixels(*texture, *pixels);
    const std::optional<Rgb> dominant = dominant_opaque_rgb(*pixels);
    return SurfaceColor{dominant.value_or(kFallbackGrey), false, !dominant};
  }

  std::expected<dat::Bytes, SurveyError> decoded(const dat::Texture& texture,
                                               const PaletteChoice& choice) {
    if (session_) return decode_in_session(db_, texture, choice, *session_, observer_);
    auto pixels = texture_rgba8(db_, texture, choice, observer_);
    if (!pixels) return std::unexpected(SurveyError::from(pixels.error()));
    return std::move(*pixels);
  }

  const DatDatabase& db_;
  ResolveObserver* observer_;
  ResolveSession* session_;
  // Whether the last mip's outcome depended on the surface's palette id.
  bool palette_mattered_ = false;
};

}  // namespace

PaletteChoice choose_palette(const dat::Texture& texture, std::uint32_t surface_palette_id) {
  return choose_palette(texture.format().paletted(), texture.default_palette_id,
                        surface_palette_id);
}

PaletteChoice choose_palette(bool paletted, std::optional<std::uint32_t> default_palette_id,
                             std::uint32_t surface_palette_id) {
  using Source = PaletteChoice::Source;
  if (!paletted) return {Source::None, std::nullopt};
  if (surface_palette_id != 0) return {Source::SurfaceOverride, surface_palette_id};
  return {Source::TextureDefault, default_palette_id};
}

std::expected<dat::Bytes, dat::TextureDecodeError> texture_rgba8(const DatDatabase& db,
                                                                 const dat::Texture& texture,
                                                                 const PaletteChoice& choice,
                                                                 ResolveObserver* observer,
                                                                 ResolveSession* session) {
  // The conversion asks for the texture's default palette; an override
  // answers with the surface's own instead.
  const bool override_palette = choice.source == PaletteChoice::Source::SurfaceOverride;
  const auto palette_for = [&](std::uint32_t requested) {
    return fetch_palette(db, override_palette ? *choice.palette_id : requested, observer, session);
  };
  // Passed by reference, the fetcher fits std::function's inline storage:
  // no allocation per texture.
  return dat::to_rgba8(texture, std::ref(palette_for));
}

std::expected<dat::Bytes, SurveyError> decode_in_session(const DatDatabase& db,
                                                       const dat::Texture& texture,
                                                       const PaletteChoice& choice,
                                                       ResolveSession& session,
                                                       ResolveObserver* observer) {
  // A few bytes of texture can ask for millions of pixels, so decoded
  // images count against an allowance of their own: what is left must not
  // be used up before, and must cover the image after.
  if (session.decodes.left() == 0) return std::unexpected(decode_limit_error(session.decodes));
  auto pixels = texture_rgba8(db, texture, choice, observer, &session);
  if (!pixels) return std::unexpected(SurveyError::from(pixels.error()));
  if (!session.decodes.spend(pixels->size())) {
    return std::unexpected(decode_limit_error(session.decodes));
  }
  return std::move(*pixels);
}

dat::DatError decode_limit_reached(const dat::Allowance& decodes) {
  return dat::DatError(dat::DatError::Other{dat::DatError::DecodeLimitReached{decodes.amount()}});
}

std::expected<dat::Palette, dat::TextureDecodeError::PaletteFetch> palette_in_session(
    const DatDatabase& db, std::uint32_t palette_id, ResolveSession& session) {
  return fetch_palette(db, palette_id, nullptr, &session);
}

std::expected<RecordCache::Record, dat::DatError> fetch_shared(const DatDatabase& db,
                                                               std::uint32_t id,
                                                               ResolveSession& session) {
  return fetch(db, id, &session, Sharing::Shared);
}

dat::ReadBudget ResolveSession::read_allowance(const DatDatabase& db, const Limits& limits) {
  return db.unread_budget(limits.read_slack_bytes, limits.read_slack_blocks);
}

ResolveSession ResolveSession::for_archive(const DatDatabase& db, const Limits& limits) {
  const std::uint64_t length = db.file_length();
  constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t per_byte = limits.decode_per_archive_byte;
  const std::uint64_t decode_limit =
      per_byte != 0 && length > (kMost - limits.decode_slack_bytes) / per_byte
          ? kMost
          : per_byte * length + limits.decode_slack_bytes;
  return ResolveSession{read_allowance(db, limits), dat::Allowance(decode_limit),
                        RecordCache(limits.record_cache_bytes), {}, {},
                        limits.read_ahead_bytes};
}

std::optional<TextureColorCache::Outcome> TextureColorCache::find(
    std::uint32_t texture_id, std::uint32_t surface_palette_id) const {
  if (const Held* any = any_palette_.find(texture_id)) return outcome_of(*any);
  if (const Held* one = by_palette_.find(texture_and_palette(texture_id, surface_palette_id))) {
    return outcome_of(*one);
  }
  return std::nullopt;
}

void TextureColorCache::remember(std::uint32_t texture_id,
                                 std::optional<std::uint32_t> surface_palette_id,
                                 const Outcome& outcome) {
  if (!surface_palette_id) {
    any_palette_.insert_or_assign(texture_id, hold(outcome));
  } else {
    by_palette_.insert_or_assign(texture_and_palette(texture_id, *surface_palette_id),
                                 hold(outcome));
  }
}

TextureColorCache::Held TextureColorCache::hold(const Outcome& outcome) {
  if (outcome) return Held{*outcome};
  failures_.push_back(outcome.error());
  return Held{{}, static_cast<std::uint32_t>(failures_.size() - 1)};
}

TextureColorCache::Outcome TextureColorCache::outcome_of(const Held& held) const {
  if (held.failure == kNoFailure) return held.color;
  return std::unexpected(failures_[held.failure]);
}

std::expected<SurfaceColor, SurveyError> dominant_for(const DatDatabase& db, std::uint32_t surface_id,
                                                    ResolveObserver* observer,
                                                    ResolveSession* session) {
  return Resolution(db, observer, session).surface(surface_id);
}

}  // namespace brackwater::survey
