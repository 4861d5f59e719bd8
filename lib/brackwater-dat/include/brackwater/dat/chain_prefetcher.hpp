#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <span>

#include "brackwater/dat/batch_reader.hpp"
#include "brackwater/dat/posix_file.hpp"
#include "brackwater/dat/prefetched_blocks.hpp"

namespace brackwater::dat {

// Where a stored file's block chain starts and how many bytes it holds.
struct ChainStart {
  std::uint32_t offset = 0;
  std::uint32_t size = 0;

  friend auto operator<=>(const ChainStart&, const ChainStart&) = default;
};

// Reads the block chains of many files level by level: the first block of
// every chain in one batch, then the next block of every chain that goes on,
// and so on, holding what comes back for the chain reads that follow. It
// walks a chain as a chain read does but gives up on anything unusual (a
// failed read, a chain that runs past the end of the archive or longer than
// kMaxLevels blocks): the chain read then reads for itself and meets what
// there is to meet.
class ChainPrefetcher {
 public:
  static constexpr unsigned kMaxLevels = 256;

  // Reads `file`, which must outlive the prefetcher, as an archive of
  // `file_length` bytes in blocks of `block_size`.
  ChainPrefetcher(const PosixFile& file, std::uint32_t block_size, std::uint64_t file_length,
                  BatchReader::Mechanism mechanism = BatchReader::Mechanism::Ring);

  BatchReader::Mechanism mechanism() const { return reader_.mechanism(); }

  // Reads ahead the chains of `chains` into `into`, asking for no more than
  // `byte_limit` bytes in all; returns how many it asked for.
  std::uint64_t prefetch(std::span<const ChainStart> chains, std::uint64_t byte_limit,
                         PrefetchedBlocks& into) const;
  // Whether the first block of every chain of `chains` is in memory already,
  // where reading ahead would only add work.
  bool in_memory(std::span<const ChainStart> chains) const;

 private:
  // Where a chain's walk stands: the next read, and the bytes still to come.
  struct Walk {
    std::uint64_t at;
    std::uint64_t remaining;
    // The chain ended early: the rest lies back to back from `at`.
    bool rest = false;
  };

  // How many bytes the rest of a walk's chain takes if its blocks follow
  // one another, within the archive.
  std::uint64_t run_bytes(const Walk& walk) const;
  // Where the walk goes on after the blocks `read` from its start, if it does.
  std::optional<Walk> follow_run(const Walk& walk, ByteSpan read) const;

  const PosixFile* file_;
  BatchReader reader_;
  std::uint32_t block_size_;
  std::uint64_t file_length_;
};

}  // namespace brackwater::dat
