#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>

#include "brackwater/dat/io_error.hpp"

namespace brackwater::dat {

// Where a chain reader's blocks come from: positional reads of an exact
// length. The archive file is one; a source serving blocks read ahead in
// batches can stand in for it without the chain reader changing.
class BlockSource {
 public:
  virtual ~BlockSource() = default;

  // Reads exactly `count` bytes at `offset` into `out`; the end of the
  // source inside the range is "failed to fill whole buffer".
  virtual std::expected<void, IoError> pread_exact(std::uint8_t* out, std::size_t count,
                                                   std::uint64_t offset) const = 0;
};

}  // namespace brackwater::dat
