#include "thumbnails.hpp"

#include "brackwater/dat/display.hpp"
#include "commands.hpp"
#include "brackwater/image/downscale.hpp"
#include "file_io.hpp"
#include "brackwater/survey/one_line.hpp"
#include "brackwater/image/png.hpp"
#include "texture_image.hpp"

namespace brackwater::inspect {
namespace {

// "textures/0x06000014.png", or "textures/0x06000014-0x04000007.png" when a
// palette recolours it. Appended piece by piece: g++ 12 misjudges the
// overlap of `"-" + std::string` inlined into a longer sum (-Wrestrict).
std::string thumbnail_href(std::uint32_t texture_id, std::optional<std::uint32_t> palette_id) {
  std::string href(ThumbnailWriter::kSubdirectory);
  href.append("/").append(show_id(texture_id));
  if (palette_id) href.append("-").append(show_id(*palette_id));
  return href.append(".png");
}

}  // namespace

ThumbnailWriter::ThumbnailWriter(const dat::DatDatabase& db, survey::ResolveSession& session,
                                 std::filesystem::path dir,
                                 std::span<const cli::InputFile> inputs,
                                 cli::OutputBatch& batch)
    : db_(db), session_(session), dir_(std::move(dir)), inputs_(inputs), batch_(batch) {}

const ThumbnailOutcome& ThumbnailWriter::draw(std::uint32_t texture_id,
                                              std::uint32_t surface_palette_id) {
  const Key request{texture_id, surface_palette_id};
  if (const auto known = by_request_.find(request); known != by_request_.end()) {
    return *known->second;
  }
  auto texture = read_texture(texture_id);
  if (!texture) {
    outcomes_.emplace_back(std::unexpected(std::move(texture.error())));
    return *by_request_.emplace(request, &outcomes_.back()).first->second;
  }
  // Surfaces naming different palettes share the drawing of a texture that
  // none of them recolours.
  const survey::PaletteChoice choice = survey::choose_palette(*texture, surface_palette_id);
  const Key file{texture_id, choice.palette_id.value_or(0)};
  if (const auto drawn = by_file_.find(file); drawn != by_file_.end()) {
    return *by_request_.emplace(request, drawn->second).first->second;
  }
  outcomes_.push_back(render(texture_id, *texture, choice));
  by_file_.emplace(file, &outcomes_.back());
  return *by_request_.emplace(request, &outcomes_.back()).first->second;
}

std::expected<dat::Texture, std::string> ThumbnailWriter::read_texture(std::uint32_t texture_id) {
  auto bytes = survey::fetch_shared(db_, texture_id, session_);
  if (!bytes) {
    return std::unexpected("read " + show_id(texture_id) + ": " + survey::one_line(bytes.error()));
  }
  auto texture = dat::Texture::unpack(**bytes);
  if (!texture) {
    return std::unexpected(show_id(texture_id) + " is not a Texture: " + survey::one_line(texture.error()));
  }
  return std::move(*texture);
}

ThumbnailOutcome ThumbnailWriter::render(std::uint32_t texture_id, const dat::Texture& texture,
                                         const survey::PaletteChoice& choice) {
  auto pixels = survey::decode_in_session(db_, texture, choice, session_);
  if (!pixels) {
    return std::unexpected("texture " + show_id(texture_id) +
                           " does not decode: " + survey::one_line(pixels.error()));
  }
  auto image =
      drawable_image(texture_id, DecodedTexture{texture.width, texture.height, std::move(*pixels)});
  if (!image) return std::unexpected(std::move(image.error()));
  Thumbnail thumbnail{thumbnail_href(texture_id, choice.palette_id),
                      texture_id,
                      texture.format().to_string(),
                      texture.width,
                      texture.height,
                      choice};
  // Once a file has failed, the page will not be written either.
  if (write_failure_) return thumbnail;
  auto encoded = image::encode_png(image::shrink_to_fit(std::move(*image), kSide));
  if (!encoded) return std::unexpected(show_id(texture_id) + ": encode PNG: " + encoded.error());
  if (auto written = write_output(batch_, dir_ / thumbnail.href, *encoded, inputs_); !written) {
    write_failure_ = std::move(written.error());
  } else {
    ++files_written_;
  }
  return thumbnail;
}

}  // namespace brackwater::inspect
