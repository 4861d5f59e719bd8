#include "brackwater/dat/database.hpp"

#include <source_location>

namespace brackwater::dat {
namespace {

// Reads the header straight from the file, field by field, so a failure names
// the first field that could not be read in full.
class HeaderReader {
 public:
  explicit HeaderReader(const PosixFile& file) : file_(file) {}

  std::expected<void, ReadError> u32(std::uint32_t& out, std::string_view field,
                                     std::source_location where = std::source_location::current()) {
    std::uint8_t raw[4];
    auto got = read(raw, sizeof raw, IoError::fill_whole_buffer(), field, where);
    if (!got) return got;
    out = load_u32_le(raw);
    return {};
  }

  std::expected<void, ReadError> bytes16(std::array<std::uint8_t, 16>& out, std::string_view field,
                                         std::source_location where = std::source_location::current()) {
    return read(out.data(), out.size(), IoError::not_enough_bytes(), field, where);
  }

 private:
  static std::uint32_t load_u32_le(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  }

  std::expected<void, ReadError> read(std::uint8_t* out, std::size_t count, IoError short_read,
                                      std::string_view field, const std::source_location& where) {
    auto got = file_.read_some_fully(out, count);
    if (got && *got == count) return {};
    const IoError cause = got ? short_read : got.error();
    return std::unexpected(
        with_context(ReadError(cause), ContextFrame::field(field, "DatHeader", where)));
  }

  const PosixFile& file_;
};

std::expected<DatHeader, ReadError> read_header_fields(const PosixFile& file) {
  HeaderReader in{file};
  DatHeader h;
  std::expected<void, ReadError> ok;
  // Each field is read only while every earlier one succeeded.
  (ok = in.u32(h.magic, "magic")) && (ok = in.u32(h.block_size, "block_size")) &&
      (ok = in.u32(h.file_size, "file_size")) && (ok = in.u32(h.dataset, "dataset")) &&
      (ok = in.u32(h.subset, "subset")) && (ok = in.u32(h.free_head, "free_head")) &&
      (ok = in.u32(h.free_tail, "free_tail")) && (ok = in.u32(h.free_count, "free_count")) &&
      (ok = in.u32(h.root_offset, "root_offset")) && (ok = in.u32(h.new_lru, "new_lru")) &&
      (ok = in.u32(h.old_lru, "old_lru")) && (ok = in.u32(h.use_lru, "use_lru")) &&
      (ok = in.u32(h.master_map_id, "master_map_id")) &&
      (ok = in.u32(h.engine_version, "engine_version")) &&
      (ok = in.u32(h.game_version, "game_version")) &&
      (ok = in.bytes16(h.version_string, "version_string")) &&
      (ok = in.u32(h.version_minor, "version_minor"));
  if (!ok) return std::unexpected(std::move(ok.error()));
  return h;
}

// Reads the header at the file's current position; on failure the file is
// put back where the header began.
std::expected<DatHeader, ReadError> read_header(const PosixFile& file) {
  auto start = file.tell();
  if (!start) return std::unexpected(ReadError(start.error()));
  auto header = read_header_fields(file);
  if (header) return header;
  ReadError error = std::move(header.error());
  if (auto rewound = file.seek(*start); !rewound) {
    // The rewind failure becomes the cause; the original failure stays as context.
    ReadError rewind_error(rewound.error());
    rewind_error = with_context(std::move(rewind_error), {"rewinding after a failure", std::nullopt});
    rewind_error = with_context(std::move(rewind_error), {error.cause_message(), std::nullopt});
    for (const ContextFrame& frame : error.frames()) {
      rewind_error = with_context(std::move(rewind_error), frame);
    }
    return std::unexpected(std::move(rewind_error));
  }
  return std::unexpected(std::move(error));
}

}  // namespace

std::expected<DatDatabase, DatError> DatDatabase::open(const std::filesystem::path& path) {
  auto file = PosixFile::open_read_only(path);
  if (!file) return std::unexpected(DatError(DatError::PathError{path, file.error()}));
  if (auto at = file->seek(kHeaderOffset); !at) return std::unexpected(DatError(at.error()));
  auto header = read_header(*file);
  if (!header) return std::unexpected(DatError(std::move(header.error())));
  DatDatabase db(std::move(*file), *header);
  if (auto walked = db.read_directory(); !walked) return std::unexpected(std::move(walked.error()));
  return db;
}

}  // namespace brackwater::dat
