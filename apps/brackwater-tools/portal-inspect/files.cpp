// ls and cat: the archive's index and one file's bytes.
#include <algorithm>
#include <vector>

#include "brackwater/dat/display.hpp"
#include "brackwater/tools/right_aligned.hpp"
#include "commands.hpp"
#include "file_io.hpp"
#include "one_line.hpp"

namespace brackwater::inspect {
namespace {

// u32 sizes need at most ten digits.
constexpr std::size_t kSizeWidth = 10;

}  // namespace

std::string show_id(std::uint32_t id) {
  return "0x" + dat::hex8(id);
}

bool is_surface_id(std::uint32_t id) {
  return id >> 24 == 0x08;
}

Outcome require_file(const dat::DatDatabase& db, std::uint32_t id) {
  if (db.index().contains(id)) return {};
  return std::unexpected("no file " + show_id(id) + " in the archive");
}

Outcome list_files(const dat::DatDatabase& db, std::optional<std::uint8_t> type,
                   std::ostream& out) {
  std::vector<const dat::DatFileEntry*> entries;
  for (const auto& [id, entry] : db.index()) {
    if (!type || id >> 24 == *type) entries.push_back(&entry);
  }
  std::ranges::sort(entries, {}, &dat::DatFileEntry::id);
  out << "ID          " << tools::right_aligned("SIZE", kSizeWidth) << "  COMPRESSED  OFFSET\n";
  for (const dat::DatFileEntry* entry : entries) {
    out << show_id(entry->id) << "  "
        << tools::right_aligned(std::to_string(entry->size), kSizeWidth) << "  "
        << (entry->compressed() ? "yes" : "no ") << "         " << show_id(entry->offset) << '\n';
  }
  return {};
}

Outcome cat_file(const dat::DatDatabase& db, std::uint32_t id, const std::filesystem::path& file,
                 std::ostream& log) {
  if (auto known = require_file(db, id); !known) return known;
  auto bytes = db.get_file(id);
  if (!bytes) {
    return std::unexpected("read " + show_id(id) + ": " + one_line(bytes.error()));
  }
  if (auto written = write_output(file, *bytes); !written) return written;
  log << "wrote " << dat::display_path(file) << " (" << bytes->size() << " bytes)\n";
  return {};
}

}  // namespace brackwater::inspect
