#include "brackwater/survey/texture_walk.hpp"

#include <functional>
#include <utility>

namespace brackwater::survey {

std::expected<dat::Bytes, dat::TextureDecodeError> ReadyTexture::rgba8() const {
  // The conversion asks only for the palette fetched beforehand.
  const auto fetched = [this](std::uint32_t) { return *palette; };
  return dat::to_rgba8(texture, std::ref(fetched));
}

TextureWalk::TextureWalk(const dat::DatDatabase& db, std::vector<std::uint32_t> ids,
                         const Limits& limits)
    : db_(&db), ids_(std::move(ids)), session_(ResolveSession::for_archive(db, limits)) {}

TextureWalk TextureWalk::of_type(const dat::DatDatabase& db, std::uint8_t type,
                                 const Limits& limits) {
  std::vector<std::uint32_t> ids;
  for (const auto& [id, entry] : db.index().of_type(type)) ids.push_back(id);
  return TextureWalk(db, std::move(ids), limits);
}

std::optional<WalkedTexture> TextureWalk::next() {
  if (next_ == ids_.size()) return std::nullopt;
  const std::uint32_t id = ids_[next_++];
  return WalkedTexture{id, prepare(id)};
}

std::expected<ReadyTexture, TextureWalkFailure> TextureWalk::prepare(std::uint32_t id) {
  using Stage = TextureWalkFailure::Stage;
  auto bytes = db_->get_file(id, session_.reads);
  if (!bytes) return std::unexpected(TextureWalkFailure{Stage::Read, std::move(bytes.error())});
  auto texture = dat::Texture::unpack(*bytes);
  if (!texture) {
    return std::unexpected(TextureWalkFailure{Stage::Unpack, std::move(texture.error())});
  }
  // As in the survey, once the limit is met every later image fails alike.
  if (!session_.decodes.spend(dat::rgba8_bytes(*texture))) {
    return std::unexpected(
        TextureWalkFailure{Stage::DecodeLimit, decode_limit_reached(session_.decodes)});
  }
  ReadyTexture ready{std::move(*texture), std::nullopt};
  const PaletteChoice choice = choose_palette(ready.texture, 0);
  if (choice.palette_id) ready.palette = palette_in_session(*db_, *choice.palette_id, session_);
  return ready;
}

}  // namespace brackwater::survey
