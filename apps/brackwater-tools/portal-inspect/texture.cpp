// texture: a texture, or the one a surface resolves to, as a PNG.
#include <ostream>

#include "brackwater/dat/display.hpp"
#include "brackwater/tools/one_line.hpp"
#include "brackwater/tools/resolve.hpp"
#include "commands.hpp"
#include "png.hpp"

namespace brackwater::inspect {
namespace {

// A texture's stored size and its pixels as RGBA8.
struct Decoded {
  std::int32_t width = 0;
  std::int32_t height = 0;
  dat::Bytes pixels;
};

// Keeps the pixels that the resolution of a surface decodes.
class PixelCatcher : public tools::ResolveObserver {
 public:
  void on_pixels(const dat::Texture& texture, dat::ByteSpan rgba) override {
    decoded = Decoded{texture.width, texture.height, dat::Bytes(rgba.begin(), rgba.end())};
  }
  Decoded decoded;
};

std::expected<Decoded, std::string> surface_texture(const dat::DatDatabase& db, std::uint32_t id) {
  PixelCatcher catcher;
  const auto color = tools::dominant_for(db, id, &catcher);
  if (!color) {
    return std::unexpected("surface " + show_id(id) +
                           " does not resolve: " + tools::one_line(color.error()));
  }
  if (color->solid) {
    return std::unexpected("surface " + show_id(id) + " is solid: it has no texture to draw");
  }
  return std::move(catcher.decoded);
}

std::expected<Decoded, std::string> stored_texture(const dat::DatDatabase& db, std::uint32_t id) {
  auto bytes = db.get_file(id);
  if (!bytes) {
    return std::unexpected("read " + show_id(id) + ": " + tools::one_line(bytes.error()));
  }
  auto texture = dat::Texture::unpack(*bytes);
  if (!texture) {
    return std::unexpected(show_id(id) + " is not a Texture: " + tools::one_line(texture.error()));
  }
  auto pixels = tools::texture_rgba8(db, *texture, tools::choose_palette(*texture, 0));
  if (!pixels) {
    return std::unexpected("texture " + show_id(id) +
                           " does not decode: " + pixels.error().message());
  }
  return Decoded{texture->width, texture->height, std::move(*pixels)};
}

}  // namespace

Outcome draw_texture(const dat::DatDatabase& db, std::uint32_t id, const std::filesystem::path& png,
                     std::span<const tools::InputFile> inputs, std::ostream& log) {
  if (auto known = require_file(db, id); !known) return known;
  auto decoded = dat::is_surface_id(id) ? surface_texture(db, id) : stored_texture(db, id);
  if (!decoded) return std::unexpected(decoded.error());
  // A texture that decodes with a pixel has both sides positive.
  if (decoded->width <= 0 || decoded->height <= 0) {
    return std::unexpected("the texture of " + show_id(id) + " is " +
                           std::to_string(decoded->width) + " x " +
                           std::to_string(decoded->height) + ": nothing to draw");
  }
  const RgbaImage image{static_cast<std::uint32_t>(decoded->width),
                        static_cast<std::uint32_t>(decoded->height), std::move(decoded->pixels)};
  if (auto written = write_png(png, image, inputs); !written) return written;
  log << "wrote " << dat::display_path(png) << " (" << image.width << " x " << image.height
      << ")\n";
  return {};
}

}  // namespace brackwater::inspect
