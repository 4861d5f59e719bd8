#include "brackwater/dat/prefetched_blocks.hpp"

#include <cerrno>
#include <cstring>

namespace brackwater::dat {

const std::uint8_t* PrefetchedBlocks::find(std::uint64_t offset, std::size_t count) const {
  auto after = ranges_.upper_bound(offset);
  if (after == ranges_.begin()) return nullptr;
  const auto& [start, bytes] = *std::prev(after);
  // Chain reads start at a block or inside the range read for it, so the
  // nearest range at or before the offset is the one to look at.
  if (offset - start > bytes.size() || bytes.size() - (offset - start) < count) return nullptr;
  return bytes.data() + (offset - start);
}

void PrefetchedBlocks::hold(std::uint64_t offset, Bytes bytes) {
  Bytes& held = ranges_[offset];
  if (held.size() >= bytes.size()) return;
  bytes_held_ += bytes.size() - held.size();
  held = std::move(bytes);
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
