#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>

#include "brackwater/dat/batch_reader.hpp"
#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/chain_prefetcher.hpp"
#include "brackwater/dat/chain_reader.hpp"
#include "brackwater/dat/error.hpp"
#include "brackwater/dat/file_index.hpp"
#include "brackwater/dat/header.hpp"
#include "brackwater/dat/posix_file.hpp"
#include "brackwater/dat/prefetched_blocks.hpp"
#include "brackwater/dat/read_budget.hpp"

namespace brackwater::dat {

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
  // Reads block chains of this archive's file; valid while the database
  // stays where it is.
  ChainReader chains() const { return ChainReader(file_, header_.block_size, file_length_); }

  // Walks the directory tree from the header's root and makes the index of
  // what it finds. A failed walk leaves the index as it was.
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
  // Reads many files' chains at once into PrefetchedBlocks, for the two
  // above; valid while the database stays where it is.
  ChainPrefetcher chain_prefetcher(
      BatchReader::Mechanism mechanism = BatchReader::Mechanism::Ring) const {
    return ChainPrefetcher(file_, header_.block_size, file_length_, mechanism);
  }

  // The blocks and bytes of the archive that the directory does not take,
  // plus the given slack. The files of a sound archive lie in blocks of their
  // own, so fetching each of them once stays inside it; entries made to
  // share chains run out of it.
  ReadBudget unread_budget(std::uint64_t slack_bytes, std::uint64_t slack_blocks) const;

  // Fails with IoError::changed() unless the file's size, modification time
  // and inode are still what they were at open: a run whose archive changed
  // under it has read a mixture, whatever each read said.
  std::expected<void, DatError> verify_unchanged() const;

 private:
  DatDatabase(PosixFile file, DatHeader header);

  // get_file, within `budget` when there is one, reading from `source`.
  std::expected<Bytes, DatError> fetch(std::uint32_t id, ReadBudget* budget,
                                       const BlockSource& source) const;

  PosixFile file_;
  DatHeader header_;
  std::uint64_t file_length_;
  std::optional<PosixFile::Stamp> opened_as_;  // none when fstat failed
  FileIndex index_;
  // What the walk that made the index read.
  std::uint64_t directory_bytes_ = 0;
  std::uint64_t directory_blocks_ = 0;
};

}  // namespace brackwater::dat
