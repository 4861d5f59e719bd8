#pragma once

#include <algorithm>
#include <cstdint>
#include <expected>

#include "brackwater/dat/block_source.hpp"
#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/error.hpp"
#include "brackwater/dat/read_budget.hpp"

namespace brackwater::dat {

// Every block starts with the 4-byte link to the next one.
inline constexpr std::uint32_t kBlockLinkSize = 4;

// Gathers bytes from block chains. A block is a 4-byte little-endian link to
// the next block (0 on the last), then `block_size` - 4 bytes of data; a
// file's bytes fill the data areas of its blocks in chain order.
class ChainReader {
 public:
  // `length`: how many bytes `source` holds, which bounds what any chain can
  // deliver.
  ChainReader(const BlockSource& source, std::uint32_t block_size, std::uint64_t length)
      : source_(source), block_size_(block_size), length_(length) {}

  // Exactly `size` bytes gathered from the chain starting at `offset`. A
  // chain that comes back to a block reads its data again; the read ends once
  // `size` bytes are gathered, or, after a link of 0, with the rest read
  // contiguously. With a budget, every block visit and byte gathered is drawn
  // from it.
  std::expected<Bytes, DatError> read(std::uint32_t offset, std::uint32_t size,
                                      ReadBudget* budget = nullptr) const;

  std::uint32_t block_size() const { return block_size_; }
  std::uint64_t length() const { return length_; }
  // How many whole blocks the source holds: at most one stored file each.
  std::uint64_t block_count() const { return length_ / std::max<std::uint32_t>(block_size_, 1); }

 private:
  const BlockSource& source_;
  std::uint32_t block_size_;
  std::uint64_t length_;
};

}  // namespace brackwater::dat
