#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

#include "brackwater/dat/block_source.hpp"
#include "brackwater/dat/bytes.hpp"

namespace brackwater::dat {

// Byte ranges of the archive read ahead of need, by file offset. A chain read
// takes a range from here when one holds all the bytes it wants and reads the
// file otherwise, so what is held (or not) changes how long a read takes,
// never what it gives.
class PrefetchedBlocks {
 public:
  // The `count` bytes at `offset`, or null when no held range covers them all.
  const std::uint8_t* find(std::uint64_t offset, std::size_t count) const;
  // Holds `bytes`, read at `offset`; a longer range already held there stays.
  void hold(std::uint64_t offset, Bytes bytes);
  void clear();

  std::size_t bytes_held() const { return bytes_held_; }

 private:
  std::map<std::uint64_t, Bytes> ranges_;
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
