#include "header_reader.hpp"

#include <optional>
#include <source_location>

#include "brackwater/dat/field_reader.hpp"

namespace brackwater::dat {
namespace {

// Reads header fields straight from the file, one after another. After the
// first field that cannot be read in full, later reads do nothing, so the
// failure names that field and nothing beyond it is read.
class HeaderReader {
 public:
  using Where = std::source_location;

  explicit HeaderReader(const PosixFile& file) : file_(file) {}

  void u32(std::uint32_t& out, std::string_view field, Where where = Where::current()) {
    std::uint8_t raw[4];
    if (read(raw, sizeof raw, IoError::fill_whole_buffer(), field, where)) out = load_u32(raw);
  }

  void bytes16(std::array<std::uint8_t, 16>& out, std::string_view field,
               Where where = Where::current()) {
    read(out.data(), out.size(), IoError::not_enough_bytes(), field, where);
  }

  std::optional<ReadError>& failure() { return failure_; }

 private:
  bool read(std::uint8_t* out, std::size_t count, const IoError& short_read, std::string_view field,
            const Where& where) {
    if (failure_) return false;
    auto got = file_.read_some_fully(out, count);
    if (got && *got == count) return true;
    const IoError cause = got ? short_read : got.error();
    failure_ = with_context(ReadError(cause), ContextFrame::field(field, "DatHeader", where));
    return false;
  }

  const PosixFile& file_;
  std::optional<ReadError> failure_;
};

// The 80-byte header layout, in file order.
std::expected<DatHeader, ReadError> read_header_fields(const PosixFile& file) {
  HeaderReader in{file};
  DatHeader h;
  in.u32(h.magic, "magic");
  in.u32(h.block_size, "block_size");
  in.u32(h.file_size, "file_size");
  in.u32(h.dataset, "dataset");
  in.u32(h.subset, "subset");
  in.u32(h.free_head, "free_head");
  in.u32(h.free_tail, "free_tail");
  in.u32(h.free_count, "free_count");
  in.u32(h.root_offset, "root_offset");
  in.u32(h.new_lru, "new_lru");
  in.u32(h.old_lru, "old_lru");
  in.u32(h.use_lru, "use_lru");
  in.u32(h.master_map_id, "master_map_id");
  in.u32(h.engine_version, "engine_version");
  in.u32(h.game_version, "game_version");
  in.bytes16(h.version_string, "version_string");
  in.u32(h.version_minor, "version_minor");
  if (in.failure()) return std::unexpected(std::move(*in.failure()));
  return h;
}

}  // namespace

std::expected<DatHeader, ReadError> read_header(const PosixFile& file) {
  auto start = file.tell();
  if (!start) return std::unexpected(ReadError(start.error()));
  auto header = read_header_fields(file);
  if (header) return header;
  ReadError error = std::move(header.error());
  if (auto rewound = file.seek(*start); !rewound) {
    // The rewind failure becomes the cause; the original failure stays as context.
    ReadError rewind_error(rewound.error());
    rewind_error =
        with_context(std::move(rewind_error), {"rewinding after a failure", std::nullopt});
    rewind_error = with_context(std::move(rewind_error), {error.cause_message(), std::nullopt});
    for (const ContextFrame& frame : error.frames()) {
      rewind_error = with_context(std::move(rewind_error), frame);
    }
    return std::unexpected(std::move(rewind_error));
  }
  return std::unexpected(std::move(error));
}

}  // namespace brackwater::dat
