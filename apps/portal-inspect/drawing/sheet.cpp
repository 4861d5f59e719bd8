// sheet: a report's colours beside the textures they stand for, as a web page.
#include <array>
#include <ostream>
#include <system_error>
#include <vector>

#include "brackwater/dat/display.hpp"
#include "commands.hpp"
#include "file_io.hpp"
#include "output_stream.hpp"
#include "brackwater/report/report_reader.hpp"
#include "sheet_html.hpp"
#include "sheet_model.hpp"
#include "thumbnails.hpp"

namespace brackwater::inspect {
namespace {

// The page streamed into place: a page of a million tiles is never held
// whole, and one that fails part way is never put in place.
Outcome write_page(const std::filesystem::path& page, const Sheet& sheet,
                   const std::filesystem::path& archive, const std::filesystem::path& report,
                   std::span<const cli::InputFile> inputs) {
  const auto failed = [&](const cli::OutputError& error) {
    return std::unexpected(InspectError("write " + dat::display_path(page), error));
  };
  auto file = cli::OutputFile::open(page, inputs);
  if (!file) return failed(file.error());
  OutputStreamBuffer buffer(std::move(*file));
  std::ostream out(&buffer);
  write_sheet_html(sheet, dat::display_path(archive), dat::display_path(report), out);
  out.flush();
  if (buffer.failure()) return failed(*buffer.failure());
  if (auto committed = buffer.commit(); !committed) return failed(committed.error());
  return {};
}

// What the sheet may write over: its page and, since which textures it
// draws is known only as it goes, every PNG named as a thumbnail in its
// textures directory.
std::vector<std::filesystem::path> existing_outputs(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> paths{dir / "index.html"};
  std::error_code unreadable;
  for (const auto& entry :
       std::filesystem::directory_iterator(dir / ThumbnailWriter::kSubdirectory, unreadable)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("0x") && name.ends_with(".png")) paths.push_back(entry.path());
  }
  return paths;
}

}  // namespace

Outcome draw_sheet(const dat::DatDatabase& db, const std::filesystem::path& archive,
                   const std::filesystem::path& report, const std::filesystem::path& dir,
                   std::ostream& log, std::ostream* progress) {
  // No page or texture may replace the archive or the report.
  const std::array inputs{cli::InputFile::at(archive, "archive"),
                          cli::InputFile::at(report, "report")};
  auto input = open_input(report);
  if (!input) return std::unexpected(input.error());
  const auto colors = report::read_report(dat::display_path(report), std::move(*input));
  if (!colors) return std::unexpected(colors.error());
  if (auto clear = check_outputs(existing_outputs(dir), inputs); !clear) return clear;
  if (auto made = make_output_dir(dir / ThumbnailWriter::kSubdirectory); !made) return made;
  // The survey's bounds on a crafted archive's work, and its caches.
  survey::ResolveSession session = survey::ResolveSession::for_archive(db);
  // The textures reach storage before the page that shows them is written.
  cli::OutputBatch textures;
  ThumbnailWriter thumbnails(db, session, dir, inputs, textures);
  const Sheet sheet = build_sheet(db, *colors, thumbnails, session, progress);
  if (sheet.archive_changed) return std::unexpected(archive_changed(*sheet.archive_changed));
  if (const auto& failure = thumbnails.write_failure()) return std::unexpected(*failure);
  if (auto flushed = finish_outputs(textures, dir / ThumbnailWriter::kSubdirectory); !flushed) {
    return flushed;
  }

  const std::filesystem::path page = dir / "index.html";
  if (auto written = write_page(page, sheet, archive, report, inputs); !written) return written;
  log << "wrote " << dat::display_path(page) << " (" << sheet.tiles.size() << " surfaces, "
      << sheet.omissions.size() << " left out of the report, " << thumbnails.files_written()
      << " textures)\n";
  return {};
}

}  // namespace brackwater::inspect
