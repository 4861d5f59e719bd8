// texture: a texture, or the one a surface resolves to, as a PNG.
#include <ostream>

#include "brackwater/dat/display.hpp"
#include "brackwater/survey/resolve.hpp"
#include "commands.hpp"
#include "png_file.hpp"
#include "texture_image.hpp"

namespace brackwater::inspect {
namespace {

// Keeps the pixels that the resolution of a surface decodes.
class PixelCatcher : public survey::ResolveObserver {
 public:
  void on_pixels(const dat::Texture& texture, dat::ByteSpan rgba) override {
    decoded = DecodedTexture{texture.width, texture.height, dat::Bytes(rgba.begin(), rgba.end())};
  }
  DecodedTexture decoded;
};

std::expected<DecodedTexture, InspectError> surface_texture(const dat::DatDatabase& db,
                                                            std::uint32_t id) {
  PixelCatcher catcher;
  const auto color = survey::dominant_for(db, id, &catcher);
  if (!color) {
    return std::unexpected(
        InspectError("surface " + show_id(id) + " does not resolve", color.error()));
  }
  if (color->solid) {
    return std::unexpected("surface " + show_id(id) + " is solid: it has no texture to draw");
  }
  return std::move(catcher.decoded);
}

}  // namespace

Outcome draw_texture(const dat::DatDatabase& db, std::uint32_t id, const std::filesystem::path& png,
                     std::span<const cli::InputFile> inputs, std::ostream& log) {
  if (auto known = require_file(db, id); !known) return known;
  auto decoded = dat::is_surface_id(id) ? surface_texture(db, id) : decode_stored_texture(db, id);
  if (!decoded) return std::unexpected(decoded.error());
  auto image = drawable_image(id, std::move(*decoded));
  if (!image) return std::unexpected(image.error());
  if (auto written = write_png(png, *image, inputs); !written) return written;
  log << "wrote " << dat::display_path(png) << " (" << image->width << " x " << image->height
      << ")\n";
  return {};
}

}  // namespace brackwater::inspect
