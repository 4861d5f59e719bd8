// export: every texture of the archive as a PNG file, on several threads.
#include <ostream>
#include <string>
#include <vector>

#include "brackwater/dat/display.hpp"
#include "commands.hpp"
#include "file_io.hpp"
#include "ordered_pool.hpp"
#include "brackwater/image/png.hpp"
#include "brackwater/cli/progress_line.hpp"
#include "texture_image.hpp"

namespace brackwater::inspect {
namespace {

// One texture's end: the bytes of PNG written, a texture that has no image
// (listed, the run goes on), or a file that could not be written (the run
// stops).
struct Exported {
  std::uint64_t png_bytes = 0;
  std::string no_image;
  std::string write_failure;
};

Exported export_one(const dat::DatDatabase& db, std::uint32_t id, const std::filesystem::path& dir,
                    std::span<const cli::InputFile> inputs, cli::OutputBatch& batch) {
  auto decoded = decode_stored_texture(db, id);
  if (!decoded) return Exported{0, std::move(decoded.error()), {}};
  auto image = drawable_image(id, std::move(*decoded));
  if (!image) return Exported{0, std::move(image.error()), {}};
  auto encoded = image::encode_png(*image);
  if (!encoded) return Exported{0, show_id(id) + ": encode PNG: " + encoded.error(), {}};
  if (auto written = write_output(batch, dir / (show_id(id) + ".png"), *encoded, inputs); !written) {
    return Exported{0, {}, std::move(written.error())};
  }
  return Exported{encoded->size(), {}, {}};
}

std::string megabytes(std::uint64_t bytes) {
  const std::uint64_t tenths = (bytes + 50'000) / 100'000;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

}  // namespace

Outcome export_textures(const dat::DatDatabase& db, std::uint8_t type,
                        const std::filesystem::path& dir, unsigned jobs,
                        std::span<const cli::InputFile> inputs, std::ostream& log,
                        std::ostream* progress) {
  if (auto made = make_output_dir(dir); !made) return made;
  std::vector<std::uint32_t> ids;
  for (const auto& [id, entry] : db.index().of_type(type)) ids.push_back(id);

  std::vector<std::string> no_image;
  std::uint64_t png_bytes = 0;
  std::string write_failure;
  // The files reach storage together, once they are all written.
  cli::OutputBatch batch;
  {
    // Wiped before the failures are listed.
    cli::ProgressLine shown(progress, "exporting textures", ids.size());
    run_in_order<Exported>(
        ids.size(), jobs, [&](std::size_t i) { return export_one(db, ids[i], dir, inputs, batch); },
        [&](std::size_t i, Exported&& done) {
          shown.update(i + 1);
          png_bytes += done.png_bytes;
          if (!done.no_image.empty()) no_image.push_back(std::move(done.no_image));
          write_failure = std::move(done.write_failure);
          return write_failure.empty();
        });
  }
  std::string listed;
  for (const std::string& reason : no_image) listed += reason + '\n';
  log << listed;
  if (!write_failure.empty()) return std::unexpected(write_failure);
  if (auto flushed = finish_outputs(batch, dir); !flushed) return flushed;
  log << "wrote " << ids.size() - no_image.size() << " PNGs to " << dat::display_path(dir) << " ("
      << megabytes(png_bytes) << " MB); " << no_image.size() << " of " << ids.size()
      << " textures have no image\n";
  return {};
}

}  // namespace brackwater::inspect
