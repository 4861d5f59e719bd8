// sheet: a report's colours beside the textures they stand for, as a web page.
#include <array>
#include <ostream>

#include "brackwater/dat/display.hpp"
#include "commands.hpp"
#include "file_io.hpp"
#include "report_reader.hpp"
#include "sheet_html.hpp"
#include "sheet_model.hpp"
#include "thumbnails.hpp"

namespace brackwater::inspect {

Outcome draw_sheet(const dat::DatDatabase& db, const std::filesystem::path& archive,
                   const std::filesystem::path& report, const std::filesystem::path& dir,
                   std::ostream& log, std::ostream* progress) {
  // No page or texture may replace the archive or the report.
  const std::array inputs{cli::InputFile::at(archive, "archive"),
                          cli::InputFile::at(report, "report")};
  auto input = open_input(report);
  if (!input) return std::unexpected(input.error());
  const auto colors = read_report(dat::display_path(report), std::move(*input));
  if (!colors) return std::unexpected(colors.error());
  if (auto made = make_output_dir(dir / ThumbnailWriter::kSubdirectory); !made) return made;
  // The survey's bounds on a crafted archive's work, and its caches.
  survey::ResolveSession session = survey::ResolveSession::for_archive(db);
  // The textures reach storage before the page that shows them is written.
  cli::OutputBatch textures;
  ThumbnailWriter thumbnails(db, session, dir, inputs, textures);
  const Sheet sheet = build_sheet(db, *colors, thumbnails, session, progress);
  if (const auto& failure = thumbnails.write_failure()) return std::unexpected(*failure);
  if (auto flushed = finish_outputs(textures, dir / ThumbnailWriter::kSubdirectory); !flushed) {
    return flushed;
  }

  const std::string html =
      render_sheet_html(sheet, dat::display_path(archive), dat::display_path(report));
  const std::filesystem::path page = dir / "index.html";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(html.data());
  if (auto written = write_output(page, dat::ByteSpan(bytes, html.size()), inputs); !written) {
    return written;
  }
  log << "wrote " << dat::display_path(page) << " (" << sheet.tiles.size() << " surfaces, "
      << sheet.omissions.size() << " left out of the report, " << thumbnails.files_written()
      << " textures)\n";
  return {};
}

}  // namespace brackwater::inspect
