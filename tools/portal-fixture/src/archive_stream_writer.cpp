#include "portal_fixture/archive_stream_writer.hpp"

#include <cstring>
#include <stdexcept>

#include "block_layout.hpp"
#include "directory_layout.hpp"
#include "header_layout.hpp"

namespace portal_fixture {
namespace {

// Blocks are written out in pieces of about this size.
constexpr std::size_t kFlushSize = std::size_t{8} << 20;

std::string failure_text(const std::filesystem::path& path,
                         const brackwater::cli::OutputError& error) {
  return "cannot write " + path.string() + ": " +
         (error.refusal.empty() ? std::string(std::strerror(error.os_error)) : error.refusal);
}

}  // namespace

std::expected<ArchiveStreamWriter, std::string> ArchiveStreamWriter::create(
    std::filesystem::path path, ArchiveOptions options) {
  if (options.block_size <= 4) {
    throw std::invalid_argument("blocks need room for data after the link");
  }
  auto out = brackwater::cli::OutputFile::open(path);
  if (!out) return std::unexpected(failure_text(path, out.error()));
  return ArchiveStreamWriter(std::move(path), std::move(*out), options.block_size);
}

ArchiveStreamWriter::ArchiveStreamWriter(std::filesystem::path path,
                                         brackwater::cli::OutputFile out,
                                         std::uint32_t block_size)
    : path_(std::move(path)), out_(std::move(out)), block_size_(block_size) {
  // The header is written last, over these zeros.
  pending_.resize(detail::first_block_offset(block_size_));
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
    if (auto written = out_.write(pending_); !written) {
      failure_ = failure_text(path_, written.error());
    }
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
  if (!failure_.empty()) return std::unexpected(failure_);
  const Bytes stored = detail::encode_header(header);
  auto written = out_.write_at(brackwater::dat::kHeaderOffset, stored);
  if (written) written = out_.commit();
  if (!written) return std::unexpected(failure_text(path_, written.error()));
  return {};
}

}  // namespace portal_fixture
