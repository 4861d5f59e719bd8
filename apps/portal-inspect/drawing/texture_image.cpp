#include "texture_image.hpp"

#include "brackwater/survey/resolve.hpp"
#include "commands.hpp"

namespace brackwater::inspect {

std::expected<DecodedTexture, InspectError> decode_stored_texture(const dat::DatDatabase& db,
                                                                  std::uint32_t id) {
  auto bytes = db.get_file(id);
  if (!bytes) return std::unexpected(InspectError("read " + show_id(id), std::move(bytes.error())));
  auto texture = dat::Texture::unpack(*bytes);
  if (!texture) {
    return std::unexpected(
        InspectError(show_id(id) + " is not a Texture", std::move(texture.error())));
  }
  auto pixels = survey::texture_rgba8(db, *texture, survey::choose_palette(*texture, 0));
  if (!pixels) {
    return std::unexpected(InspectError("texture " + show_id(id) + " does not decode",
                                        survey::SurveyError::from(pixels.error())));
  }
  return DecodedTexture{texture->width, texture->height, std::move(*pixels)};
}

std::expected<image::RgbaImage, std::string> drawable_image(std::uint32_t id, DecodedTexture decoded) {
  // A texture that decodes with a pixel has both sides positive.
  if (decoded.width <= 0 || decoded.height <= 0) {
    return std::unexpected("the texture of " + show_id(id) + " is " +
                           std::to_string(decoded.width) + " x " + std::to_string(decoded.height) +
                           ": nothing to draw");
  }
  return image::RgbaImage{static_cast<std::uint32_t>(decoded.width),
                   static_cast<std::uint32_t>(decoded.height), std::move(decoded.pixels)};
}

}  // namespace brackwater::inspect
