#include "portal_fixture/archive_stream_writer.hpp"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "block_layout.hpp"
#include "directory_layout.hpp"
#include "header_layout.hpp"

namespace portal_fixture {
namespace {

// Blocks are written out in pieces of about this size.
constexpr std::size_t kFlushSize = std::size_t{8} << 20;

std::string failure_text(const std::filesystem::path& path) {
  return "cannot write " + path.string() + ": " + std::strerror(errno);
}

// Removes an unfinished archive; a device or pipe written to stays.
void remove_unfinished(const std::filesystem::path& path) {
  std::error_code ignored;
  if (std::filesystem::is_regular_file(path, ignored)) std::filesystem::remove(path, ignored);
}

}  // namespace

std::expected<ArchiveStreamWriter, std::string> ArchiveStreamWriter::create(
    std::filesystem::path path, ArchiveOptions options) {
  if (options.block_size <= 4) {
    throw std::invalid_argument("blocks need room for data after the link");
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return std::unexpected(failure_text(path));
  return ArchiveStreamWriter(std::move(path), std::move(out), options.block_size);
}

ArchiveStreamWriter::ArchiveStreamWriter(std::filesystem::path path, std::ofstream out,
                                         std::uint32_t block_size)
    : path_(std::move(path)), out_(std::move(out)), block_size_(block_size) {
  // The header is written last, over these zeros.
  pending_.resize(detail::first_block_offset(block_size_));
}

ArchiveStreamWriter::~ArchiveStreamWriter() {
  if (!out_.is_open()) return;  // finished, or moved from
  out_.close();
  remove_unfinished(path_);
}

DatFileEntry ArchiveStreamWriter::add_file(std::uint32_t id, ByteSpan bytes,
                                           const FileOptions& options) {
  const DatFileEntry entry =
      detail::append_file({pending_, written_}, block_size_, id, bytes, options);
  entries_.insert_or_assign(id, entry);
  if (pending_.size() >= kFlushSize) flush();
  return entry;
}

void ArchiveStreamWriter::flush() {
  if (failure_.empty()) {
    out_.write(reinterpret_cast<const char*>(pending_.data()),
               static_cast<std::streamsize>(pending_.size()));
    if (!out_) failure_ = failure_text(path_);
  }
  written_ += pending_.size();
  pending_.clear();
}

std::expected<void, std::string> ArchiveStreamWriter::finish() {
  DatHeader header;
  header.block_size = block_size_;
  header.root_offset = detail::append_directory({pending_, written_}, block_size_, entries_);
  header.file_size = static_cast<std::uint32_t>(size());
  flush();
  const Bytes stored = detail::encode_header(header);
  out_.seekp(brackwater::dat::kHeaderOffset);
  out_.write(reinterpret_cast<const char*>(stored.data()),
             static_cast<std::streamsize>(stored.size()));
  out_.close();
  if (!out_ && failure_.empty()) failure_ = failure_text(path_);
  if (failure_.empty()) return {};
  remove_unfinished(path_);
  return std::unexpected(failure_);
}

}  // namespace portal_fixture
