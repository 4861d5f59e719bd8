// export: every texture of the archive as a PNG file, on several threads.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "brackwater/cli/sizes.hpp"
#include "brackwater/dat/display.hpp"
#include "commands.hpp"
#include "file_io.hpp"
#include "ordered_pool.hpp"
#include "brackwater/image/png.hpp"
#include "brackwater/cli/progress_line.hpp"
#include "texture_image.hpp"
#include "brackwater/survey/one_line.hpp"
#include "brackwater/survey/texture_walk.hpp"

namespace brackwater::inspect {
namespace {

// One texture's end: its PNG to write, a texture that has no image (listed,
// the run goes on), or a failure that stops the run (an archive that changed
// under it).
struct Exported {
  dat::Bytes png;
  std::string no_image;
  std::optional<InspectError> stop;
};

std::filesystem::path png_path(const std::filesystem::path& dir, std::uint32_t id) {
  return dir / (show_id(id) + ".png");
}

// The failure of a file the walk could not make ready, in the words of a
// texture that has no image.
std::string no_image_reason(std::uint32_t id, const survey::TextureWalkFailure& failure) {
  using Stage = survey::TextureWalkFailure::Stage;
  const std::string reason = survey::one_line(failure.error);
  switch (failure.stage) {
    case Stage::Read:
      return "read " + show_id(id) + ": " + reason;
    case Stage::Unpack:
      return show_id(id) + " is not a Texture: " + reason;
    case Stage::DecodeLimit:
      break;
  }
  return "texture " + show_id(id) + " does not decode: " + reason;
}

Exported export_one(survey::WalkedTexture&& walked) {
  const std::uint32_t id = walked.id;
  if (!walked.texture) {
    const survey::TextureWalkFailure& failure = walked.texture.error();
    if (failure.error.archive_changed()) return Exported{{}, {}, archive_changed(failure.error)};
    return Exported{{}, no_image_reason(id, failure), {}};
  }
  const dat::Texture& texture = walked.texture->texture;
  auto pixels = walked.texture->rgba8();
  if (!pixels) {
    return Exported{{}, "texture " + show_id(id) + " does not decode: " + pixels.error().message(),
                    {}};
  }
  auto image = drawable_image(id, DecodedTexture{texture.width, texture.height, std::move(*pixels)});
  if (!image) return Exported{{}, std::move(image.error()), {}};
  auto encoded = image::encode_png(*image);
  if (!encoded) return Exported{{}, show_id(id) + ": encode PNG: " + encoded.error(), {}};
  return Exported{std::move(*encoded), {}, {}};
}

}  // namespace

Outcome export_textures(const dat::DatDatabase& db, std::uint8_t type,
                        const std::filesystem::path& dir, unsigned jobs,
                        std::span<const cli::InputFile> inputs, std::ostream& log,
                        std::ostream* progress) {
  survey::TextureWalk walk = survey::TextureWalk::of_type(db, type);
  const std::span<const std::uint32_t> ids = walk.ids();
  std::vector<std::filesystem::path> outputs;
  for (const std::uint32_t id : ids) outputs.push_back(png_path(dir, id));
  if (auto clear = check_outputs(outputs, inputs); !clear) return clear;
  if (auto made = make_output_dir(dir); !made) return made;

  std::vector<std::string> no_image;
  std::uint64_t png_bytes = 0;
  std::optional<InspectError> stop;
  // The files reach storage together, once they are all written. They are
  // written on this thread: files made side by side from several threads
  // wait on one another in the file system.
  cli::OutputBatch batch;
  {
    // Wiped before the failures are listed.
    cli::ProgressLine shown(progress, "exporting textures", ids.size());
    run_in_order<survey::WalkedTexture, Exported>(
        ids.size(), jobs, [&](std::size_t) { return *walk.next(); },
        [&](std::size_t, survey::WalkedTexture&& walked) { return export_one(std::move(walked)); },
        [&](std::size_t i, Exported&& done) {
          shown.update(i + 1);
          const bool has_image = done.no_image.empty();
          if (!has_image) no_image.push_back(std::move(done.no_image));
          stop = std::move(done.stop);
          if (!stop && has_image) {
            if (auto written = write_output(batch, png_path(dir, ids[i]), done.png, inputs);
                !written) {
              stop = std::move(written.error());
            }
            png_bytes += done.png.size();
          }
          return !stop;
        });
  }
  if (!stop) {
    if (auto same = db.verify_unchanged(); !same) stop = archive_changed(same.error());
  }
  std::string listed;
  for (const std::string& reason : no_image) listed += reason + '\n';
  log << listed;
  if (stop) return std::unexpected(std::move(*stop));
  if (auto flushed = finish_outputs(batch, dir); !flushed) return flushed;
  log << "wrote " << ids.size() - no_image.size() << " PNGs to " << dat::display_path(dir) << " ("
      << cli::one_decimal(png_bytes, 1'000'000) << " MB); " << no_image.size() << " of " << ids.size()
      << " textures have no image\n";
  return {};
}

}  // namespace brackwater::inspect
