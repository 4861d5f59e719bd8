#include "brackwater/dat/database.hpp"

#include <algorithm>
#include <limits>
#include <new>

#include "brackwater/dat/lrs.hpp"
#include "directory_walk.hpp"
#include "header_reader.hpp"
#include "saturating_add.hpp"

namespace brackwater::dat {
namespace {

// The archive's length bounds what any chain can deliver; unknown, it bounds nothing.
std::uint64_t length_of(const PosixFile& file) {
  return file.size().value_or(std::numeric_limits<std::uint64_t>::max());
}

std::optional<PosixFile::Stamp> stamp_of(const PosixFile& file) {
  auto stamp = file.stamp();
  if (!stamp) return std::nullopt;
  return *stamp;
}

}  // namespace

DatDatabase::DatDatabase(PosixFile file, DatHeader header)
    : file_(std::move(file)),
      header_(header),
      file_length_(length_of(file_)),
      opened_as_(stamp_of(file_)) {}

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

std::expected<void, DatError> DatDatabase::read_directory() {
  auto walk = walk_directory(chains(), header_.root_offset);
  if (!walk) return std::unexpected(std::move(walk.error()));
  index_ = std::move(walk->index);
  directory_bytes_ = walk->bytes_read;
  directory_blocks_ = walk->blocks_read;
  return {};
}

std::expected<Bytes, DatError> DatDatabase::read_file_data(std::uint32_t offset,
                                                           std::uint32_t size) const {
  return chains().read(offset, size);
}

std::expected<Bytes, DatError> DatDatabase::get_file(std::uint32_t id) const {
  return fetch(id, nullptr, file_);
}

std::expected<Bytes, DatError> DatDatabase::get_file(std::uint32_t id, ReadBudget& budget) const {
  return fetch(id, &budget, file_);
}

std::expected<Bytes, DatError> DatDatabase::get_file(std::uint32_t id, ReadBudget& budget,
                                                     const PrefetchedBlocks& ahead) const {
  return fetch(id, &budget, ReadAheadSource(ahead, &file_));
}

std::expected<Bytes, DatError> DatDatabase::get_held_file(std::uint32_t id, ReadBudget& budget,
                                                          const PrefetchedBlocks& ahead) const {
  return fetch(id, &budget, ReadAheadSource(ahead, nullptr));
}

std::expected<Bytes, DatError> DatDatabase::fetch(std::uint32_t id, ReadBudget* budget,
                                                  const BlockSource& source) const {
  const auto found = index_.find(id);
  if (found == index_.end()) return std::unexpected(DatError(DatError::NotFound{id}));
  const DatFileEntry& entry = found->second;
  auto stored = ChainReader(source, header_.block_size, file_length_)
                    .read(entry.offset, entry.size, budget);
  if (!stored || !entry.compressed()) return stored;
  try {
    // A stream that really expands yields at most 17 bytes for every 2 it
    // stores, and no more than kMaxDecompressedSize.
    auto decoded = decompress_lrs_at_most(*stored, kMaxDecompressedSize);
    if (!decoded) return std::unexpected(DatError(DatError::DecompressionFailed{id}));
    return std::move(*decoded);
  } catch (const std::bad_alloc&) {
    return std::unexpected(DatError(IoError::out_of_memory()));
  }
}

std::expected<void, DatError> DatDatabase::verify_unchanged() const {
  auto now = file_.stamp();
  if (!now) return std::unexpected(DatError(now.error()));
  if (opened_as_ != *now) return std::unexpected(DatError(IoError::changed()));
  return {};
}

ReadBudget DatDatabase::unread_budget(std::uint64_t slack_bytes, std::uint64_t slack_blocks) const {
  const std::uint64_t blocks = chains().block_count();
  const std::uint64_t unread_bytes = file_length_ - std::min(file_length_, directory_bytes_);
  const std::uint64_t unread_blocks = blocks - std::min(blocks, directory_blocks_);
  return ReadBudget(saturating_add(unread_bytes, slack_bytes),
                    saturating_add(unread_blocks, slack_blocks));
}

}  // namespace brackwater::dat
