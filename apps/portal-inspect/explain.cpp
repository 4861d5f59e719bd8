// explain: one surface's resolution, record by record.
#include <ostream>
#include <string>

#include "brackwater/survey/resolve.hpp"
#include "commands.hpp"

namespace brackwater::inspect {
namespace {

using survey::PaletteChoice;

// Values start in this column, after the field names.
constexpr std::size_t kValueColumn = 19;

std::string show_rgb(const survey::Rgb& rgb) {
  std::string text = "[";
  text.append(std::to_string(rgb.r)).append(", ").append(std::to_string(rgb.g));
  text.append(", ").append(std::to_string(rgb.b)).append("]");
  return text;
}

// Where a surface's colour comes from, the way explain says it.
std::string colour_origin(const survey::SurfaceColor& color) {
  if (color.solid) return "the surface's own colour word";
  if (color.fallback_grey) return "the fallback grey, as no pixel has alpha 128 or more";
  return "the dominant colour of the pixels";
}

// Writes each record as the resolution reads it: a heading line per record,
// then its fields, one per line, values in one column.
class Explainer : public survey::ResolveObserver {
 public:
  explicit Explainer(std::ostream& out) : out_(out) {}

  void on_surface(const dat::Surface& surface) override {
    const bool textured = surface.texture_refs.has_value();
    field("surface_type", show_id(surface.surface_type) + (textured ? " (textured)" : " (solid)"),
          1);
    if (textured) {
      field("orig_texture_id", show_id(surface.texture_refs->orig_texture_id), 1);
      field("orig_palette_id", show_id(surface.texture_refs->orig_palette_id), 1);
    } else {
      field("color_value", show_id(*surface.color_value), 1);
    }
    field("translucency", show_id(surface.translucency), 1);
    field("luminosity", show_id(surface.luminosity), 1);
    field("diffuse", show_id(surface.diffuse), 1);
  }

  void on_surface_texture(std::uint32_t id, const dat::SurfaceTexture& mips) override {
    out_ << "surface texture " << show_id(id) << '\n';
    std::string ids;
    for (const std::uint32_t texture : mips.textures) ids += show_id(texture) + " ";
    const std::size_t count = mips.textures.size();
    field("textures",
          count == 0 ? "none"
                     : ids + "(" + std::to_string(count) + (count == 1 ? " mip" : " mips") +
                           "; the last is decoded)",
          1);
  }

  void on_texture(std::uint32_t id, const dat::Texture& texture) override {
    out_ << "texture " << show_id(id) << '\n';
    field("format", texture.format().to_string() + " (" + std::to_string(texture.format_raw) + ")",
          1);
    field("size", std::to_string(texture.width) + " x " + std::to_string(texture.height), 1);
    field("source_data", std::to_string(texture.source_data.size()) + " bytes", 1);
    if (texture.format().paletted()) {
      default_palette_ = texture.default_palette_id;
      field("default palette", shown_palette(default_palette_), 1);
    }
    format_ = texture.format().to_string();
  }

  void on_palette_choice(const PaletteChoice& choice) override {
    switch (choice.source) {
      case PaletteChoice::Source::None:
        field("palette", "none: " + format_ + " is not palette-indexed", 0);
        return;
      case PaletteChoice::Source::TextureDefault:
        field("palette",
              shown_palette(choice.palette_id) +
                  ": the texture's default, as the surface names no palette of its own",
              0);
        return;
      case PaletteChoice::Source::SurfaceOverride:
        field("palette",
              shown_palette(choice.palette_id) +
                  ": the surface's own, in place of the texture's default " +
                  shown_palette(default_palette_),
              0);
        return;
    }
  }

  void on_palette(std::uint32_t, const dat::Palette& palette) override {
    field("colors", std::to_string(palette.colors.size()), 1);
  }

  void on_pixels(const dat::Texture& texture, dat::ByteSpan rgba) override {
    std::size_t opaque = 0;
    for (std::size_t alpha = 3; alpha < rgba.size(); alpha += 4) opaque += rgba[alpha] >= 128;
    field("pixels",
          std::to_string(rgba.size() / 4) + " (" + std::to_string(texture.width) + " x " +
              std::to_string(texture.height) + " RGBA8), " + std::to_string(opaque) +
              " with alpha 128 or more",
          0);
  }

  // One "name  value" line, indented `depth` steps below its record.
  void field(std::string_view name, const std::string& value, std::size_t depth) {
    std::string line(depth * 2, ' ');
    line += name;
    line.resize(std::max(line.size() + 1, kValueColumn), ' ');
    out_ << line << value << '\n';
  }

 private:
  static std::string shown_palette(std::optional<std::uint32_t> id) {
    return id ? show_id(*id) : "none";
  }

  std::ostream& out_;
  std::string format_;
  std::optional<std::uint32_t> default_palette_;
};

}  // namespace

Outcome explain_surface(const dat::DatDatabase& db, std::uint32_t id, std::ostream& out) {
  if (auto known = require_file(db, id); !known) return known;
  if (!dat::is_surface_id(id)) {
    return std::unexpected(show_id(id) +
                           " is not a surface: surface ids run from 0x08000000 to 0x08FFFFFF");
  }
  out << "surface " << show_id(id) << '\n';
  Explainer explainer(out);
  const auto color = survey::dominant_for(db, id, &explainer);
  if (!color) {
    out << "failed\n" << color.error().render();
    return std::unexpected(
        InspectError("surface " + show_id(id) + " does not resolve", color.error()));
  }
  explainer.field("colour", show_rgb(color->rgb) + ", " + colour_origin(*color), 0);
  return {};
}

}  // namespace brackwater::inspect
