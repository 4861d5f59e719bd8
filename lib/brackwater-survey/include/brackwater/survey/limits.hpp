#pragma once

#include <cstddef>
#include <cstdint>

namespace brackwater::survey {

// Every bound on the work of reading many files of one archive, with the
// defaults the tools run with. A sound archive, however large, stays inside
// them; a crafted one (entries sharing chains, a few bytes of record naming
// a 4096 x 4096 image) meets them and its remaining files fail with the
// limit's own error instead of costing hours.
struct Limits {
  // Reads may gather what the archive holds beyond its directory (its
  // unread blocks and bytes), plus this slack.
  std::uint64_t read_slack_bytes = std::uint64_t{64} << 20;
  std::uint64_t read_slack_blocks = std::uint64_t{1} << 20;
  // Decoded images may take `decode_per_archive_byte` times the archive's
  // length, plus `decode_slack_bytes`.
  std::uint64_t decode_per_archive_byte = 16;
  std::uint64_t decode_slack_bytes = std::uint64_t{256} << 20;
  // Records that surfaces share, held for reuse.
  std::size_t record_cache_bytes = std::size_t{64} << 20;
  // What one window of surfaces may hold read ahead; 0 reads nothing ahead.
  std::uint64_t read_ahead_bytes = std::uint64_t{16} << 20;
};

}  // namespace brackwater::survey
