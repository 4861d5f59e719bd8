#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <limits>

#include "brackwater/dat/batch_reader.hpp"
#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/chain_prefetcher.hpp"
#include "brackwater/dat/error.hpp"
#include "brackwater/dat/file_index.hpp"
#include "brackwater/dat/posix_file.hpp"
#include "brackwater/dat/prefetched_blocks.hpp"
#include "brackwater/dat/read_budget.hpp"

namespace brackwater::dat {

class ChainSource;

// The 80 bytes at file offset 0x140. Only `block_size` and `root_offset` are
// used after opening; the rest is kept as stored.
struct DatHeader {
  std::uint32_t magic = 0;
  std::uint32_t block_size = 0;
  std::uint32_t file_size = 0;
  std::uint32_t dataset = 0;
  std::uint32_t subset = 0;
  std::uint32_t free_head = 0;
  std::uint32_t free_tail = 0;
  std::uint32_t free_count = 0;
  std::uint32_t root_offset = 0;
  std::uint32_t new_lru = 0;
  std::uint32_t old_lru = 0;
  std::uint32_t use_lru = 0;
  std::uint32_t master_map_id = 0;
  std::uint32_t engine_version = 0;
  std::uint32_t game_version = 0;
  std::array<std::uint8_t, 16> version_string{};
  std::uint32_t version_minor = 0;
};

inline constexpr std::uint32_t kHeaderOffset = 0x140;

// An open portal archive: its header and the index of every stored file.
// Opening either yields a fully indexed database or an error. Reads after
// opening are positional, so fetching never changes the database.
class DatDatabase {
 public:
  static std::expected<DatDatabase, DatError> open(const std::filesystem::path& path);

  const DatHeader& header() const { return header_; }
  const FileIndex& index() const { return index_; }
  // The archive file's length in bytes; the largest value when it cannot be told.
  std::uint64_t file_length() const { return file_length_; }

  // Walks the directory tree from the header's root and fills the index.
  std::expected<void, DatError> read_directory();
  // Exactly `size` bytes gathered from the block chain starting at `offset`.
  std::expected<Bytes, DatError> read_file_data(std::uint32_t offset, std::uint32_t size) const;
  // A stored file by id, decompressed when its entry says so. A compressed
  // file that would decompress to more than kMaxDecompressedSize bytes fails
  // with DecompressionFailed.
  std::expected<Bytes, DatError> get_file(std::uint32_t id) const;
  // The same, with its block visits and the bytes it gathers drawn from
  // `budget`, so that a caller fetching many files bounds what an archive
  // whose entries share chains can make it read.
  std::expected<Bytes, DatError> get_file(std::uint32_t id, ReadBudget& budget) const;
  // The same, taking the reads that `ahead` holds from there instead of the
  // file: the same bytes, errors and budget charges, sooner.
  std::expected<Bytes, DatError> get_file(std::uint32_t id, ReadBudget& budget,
                                          const PrefetchedBlocks& ahead) const;
  // The same from `ahead` alone: where get_file would read the file, this
  // fails ("Resource temporarily unavailable") instead. For looking into
  // what was read ahead without reading more.
  std::expected<Bytes, DatError> get_held_file(std::uint32_t id, ReadBudget& budget,
                                               const PrefetchedBlocks& ahead) const;

  // A reader of many files' chains at once into PrefetchedBlocks, for the
  // get_file above. It reads this database's file: the database must not
  // move while the prefetcher lives.
  ChainPrefetcher chain_prefetcher(
      BatchReader::Mechanism mechanism = BatchReader::Mechanism::Ring) const;

  // The blocks and bytes of the archive that the directory does not take,
  // plus the given slack. The files of a sound archive lie in blocks of their
  // own, so fetching each of them once stays inside it; entries made to
  // share chains run out of it. Spent, it fails with "Other error: read limit
  // reached: files read more than the archive holds".
  ReadBudget unread_budget(std::uint64_t slack_bytes, std::uint64_t slack_blocks) const;

 private:
  DatDatabase(PosixFile file, DatHeader header)
      : file_(std::move(file)), header_(header), file_length_(length_of(file_)) {}

  // The archive's length bounds what any chain can deliver; unknown, it bounds nothing.
  static std::uint64_t length_of(const PosixFile& file) {
    return file.size().value_or(std::numeric_limits<std::uint64_t>::max());
  }

  // `size` bytes of the chain at `offset`, drawing on `budget` (when there is
  // one) block by block.
  std::expected<Bytes, DatError> gather(std::uint32_t offset, std::uint32_t size,
                                        ReadBudget* budget, const ChainSource& source) const;
  // get_file, within `budget` when there is one, reading from `source`.
  std::expected<Bytes, DatError> fetch(std::uint32_t id, ReadBudget* budget,
                                       const ChainSource& source) const;

  PosixFile file_;
  DatHeader header_;
  FileIndex index_;
  std::uint64_t file_length_;
  // What the last directory walk left of the archive's bytes and blocks.
  std::uint64_t unread_bytes_ = 0;
  std::uint64_t unread_blocks_ = 0;
};

}  // namespace brackwater::dat
