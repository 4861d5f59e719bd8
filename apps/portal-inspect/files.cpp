// ls and cat: the archive's index and one file's bytes.
#include <span>

#include "brackwater/dat/display.hpp"
#include "brackwater/cli/right_aligned.hpp"
#include "commands.hpp"
#include "file_io.hpp"

namespace brackwater::inspect {
namespace {

// u32 sizes need at most ten digits.
constexpr std::size_t kSizeWidth = 10;

}  // namespace

std::string show_id(std::uint32_t id) {
  return "0x" + dat::hex8(id);
}

InspectError archive_changed(const dat::DatError& error) {
  return InspectError("read the archive", error);
}

std::expected<dat::DatDatabase, InspectError> open_archive(const std::filesystem::path& archive) {
  auto db = dat::DatDatabase::open(archive);
  if (!db) {
    return std::unexpected(
        InspectError("open " + dat::display_path(archive), std::move(db.error())));
  }
  return std::move(*db);
}

Outcome require_file(const dat::DatDatabase& db, std::uint32_t id) {
  if (db.index().contains(id)) return {};
  return std::unexpected("no file " + show_id(id) + " in the archive");
}

Outcome list_files(const dat::DatDatabase& db, std::optional<std::uint8_t> type,
                   std::ostream& out) {
  const std::span<const dat::FileIndex::value_type> entries =
      type ? db.index().of_type(*type) : std::span(db.index().begin(), db.index().end());
  out << "ID          " << cli::right_aligned("SIZE", kSizeWidth) << "  COMPRESSED  OFFSET\n";
  for (const auto& [id, entry] : entries) {
    out << show_id(id) << "  " << cli::right_aligned(std::to_string(entry.size), kSizeWidth) << "  "
        << (entry.compressed() ? "yes" : "no ") << "         " << show_id(entry.offset) << '\n';
  }
  return {};
}

Outcome cat_file(const dat::DatDatabase& db, std::uint32_t id, const std::filesystem::path& file,
                 std::span<const cli::InputFile> inputs, std::ostream& log) {
  if (auto known = require_file(db, id); !known) return known;
  auto bytes = db.get_file(id);
  if (!bytes) return std::unexpected(InspectError("read " + show_id(id), std::move(bytes.error())));
  if (auto written = write_output(file, *bytes, inputs); !written) return written;
  log << "wrote " << dat::display_path(file) << " (" << bytes->size() << " bytes)\n";
  return {};
}

}  // namespace brackwater::inspect
