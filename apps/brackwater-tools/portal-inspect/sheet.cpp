// sheet: a report's colours beside the textures they stand for, as a web page.
#include <ostream>

#include "brackwater/dat/display.hpp"
#include "commands.hpp"
#include "file_io.hpp"
#include "sheet_html.hpp"
#include "sheet_model.hpp"
#include "thumbnails.hpp"

namespace brackwater::inspect {

Outcome draw_sheet(const dat::DatDatabase& db, const SheetSources& sources,
                   const std::filesystem::path& dir, std::span<const tools::InputFile> inputs,
                   std::ostream& log, std::ostream* progress) {
  if (auto made = make_output_dir(dir / ThumbnailWriter::kSubdirectory); !made) return made;
  // The survey's bounds on a crafted archive's work, and its caches.
  tools::ResolveSession session = tools::ResolveSession::for_archive(db);
  ThumbnailWriter thumbnails(db, session, dir, inputs);
  const Sheet sheet = build_sheet(db, sources.report, thumbnails, session, progress);
  if (const auto& failure = thumbnails.write_failure()) return std::unexpected(*failure);

  const std::string html = render_sheet_html(sheet, dat::display_path(sources.archive_path),
                                             dat::display_path(sources.report_path));
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
