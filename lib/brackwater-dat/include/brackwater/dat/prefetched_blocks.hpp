#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "brackwater/dat/block_source.hpp"
#include "brackwater/dat/bytes.hpp"

namespace brackwater::dat {

// Byte ranges of the archive read ahead of need, by file offset. A chain read
// takes a range from here when one holds all the bytes it wants and reads the
// file otherwise, so what is held (or not) changes how long a read takes,
// never what it gives.
class PrefetchedBlocks {
 public:
  struct Range {
    std::uint64_t offset;
    Bytes bytes;
  };

  // The `count` bytes at `offset`, or null when no held range covers them all.
  const std::uint8_t* find(std::uint64_t offset, std::size_t count) const;
  // Holds `ranges`, each read at its offset; where two start at one offset,
  // the longer stays.
  void hold(std::vector<Range> ranges);
  void clear();

  std::size_t bytes_held() const { return bytes_held_; }

 private:
  // In offset order, one range per offset: a search finds the nearest
  // without a node per range.
  std::vector<Range> ranges_;
  std::size_t bytes_held_ = 0;
};

// Reads from the ranges read ahead where one holds them whole, otherwise from
// `fallback`; without a fallback such a read fails with EAGAIN ("Resource
// temporarily unavailable"): it would have to wait for the file.
class ReadAheadSource final : public BlockSource {
 public:
  ReadAheadSource(const PrefetchedBlocks& ahead, const BlockSource* fallback)
      : ahead_(ahead), fallback_(fallback) {}

  std::expected<void, IoError> pread_exact(std::uint8_t* out, std::size_t count,
                                           std::uint64_t offset) const override;

 private:
  const PrefetchedBlocks& ahead_;
  const BlockSource* fallback_;
};

}  // namespace brackwater::dat
