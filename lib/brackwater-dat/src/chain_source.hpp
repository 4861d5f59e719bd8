#pragma once

#include <cstring>
#include <expected>

#include "brackwater/dat/io_error.hpp"
#include "brackwater/dat/posix_file.hpp"
#include "brackwater/dat/prefetched_blocks.hpp"

namespace brackwater::dat {

// Where a chain read's bytes come from: the blocks read ahead when they hold
// the whole range, else the file; or the blocks read ahead alone.
class ChainSource {
 public:
  explicit ChainSource(const PosixFile& file, const PrefetchedBlocks* ahead = nullptr)
      : file_(&file), ahead_(ahead) {}
  // A range the blocks do not hold fails with EAGAIN: it would take a read.
  explicit ChainSource(const PrefetchedBlocks& ahead) : file_(nullptr), ahead_(&ahead) {}

  std::expected<void, IoError> pread_exact(std::uint8_t* out, std::size_t count,
                                           std::uint64_t offset) const {
    if (ahead_) {
      if (const std::uint8_t* held = ahead_->find(offset, count)) {
        std::memcpy(out, held, count);
        return {};
      }
    }
    if (!file_) return std::unexpected(IoError::from_errno(EAGAIN));
    return file_->pread_exact(out, count, offset);
  }

 private:
  const PosixFile* file_;
  const PrefetchedBlocks* ahead_;
};

}  // namespace brackwater::dat
