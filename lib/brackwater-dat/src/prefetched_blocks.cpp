#include "brackwater/dat/prefetched_blocks.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace brackwater::dat {

const std::uint8_t* PrefetchedBlocks::find(std::uint64_t offset, std::size_t count) const {
  const auto after =
      std::upper_bound(ranges_.begin(), ranges_.end(), offset,
                       [](std::uint64_t at, const Range& range) { return at < range.offset; });
  if (after == ranges_.begin()) return nullptr;
  const auto& [start, bytes] = *std::prev(after);
  // Chain reads start at a block or inside the range read for it, so the
  // nearest range at or before the offset is the one to look at.
  if (offset - start > bytes.size() || bytes.size() - (offset - start) < count) return nullptr;
  return bytes.data() + (offset - start);
}

void PrefetchedBlocks::hold(std::vector<Range> ranges) {
  // Longest first within an offset, so the first of each offset is kept.
  const auto before = [](const Range& a, const Range& b) {
    return a.offset != b.offset ? a.offset < b.offset : a.bytes.size() > b.bytes.size();
  };
  std::sort(ranges.begin(), ranges.end(), before);
  const std::size_t held = ranges_.size();
  for (Range& range : ranges) ranges_.push_back(std::move(range));
  std::inplace_merge(ranges_.begin(), ranges_.begin() + static_cast<std::ptrdiff_t>(held),
                     ranges_.end(), before);
  ranges_.erase(std::unique(ranges_.begin(), ranges_.end(),
                            [](const Range& a, const Range& b) { return a.offset == b.offset; }),
                ranges_.end());
  bytes_held_ = 0;
  for (const Range& range : ranges_) bytes_held_ += range.bytes.size();
}

void PrefetchedBlocks::clear() {
  ranges_.clear();
  bytes_held_ = 0;
}

std::expected<void, IoError> ReadAheadSource::pread_exact(std::uint8_t* out, std::size_t count,
                                                          std::uint64_t offset) const {
  if (const std::uint8_t* held = ahead_.find(offset, count)) {
    std::memcpy(out, held, count);
    return {};
  }
  if (!fallback_) return std::unexpected(IoError::from_errno(EAGAIN));
  return fallback_->pread_exact(out, count, offset);
}

}  // namespace brackwater::dat
