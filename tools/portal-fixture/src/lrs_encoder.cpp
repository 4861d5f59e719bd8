#include <algorithm>
#include <limits>
#include <vector>

#include "portal_fixture/lrs_encoder.hpp"

namespace portal_fixture {
namespace {

constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 17;
constexpr std::size_t kMaxDistance = 4095;
constexpr unsigned kHashBits = 14;
// Candidates tried per position: enough for text, bounded for speed.
constexpr std::size_t kChainDepth = 32;
constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// Earlier positions grouped by a hash of their first three bytes, newest first.
class MatchFinder {
 public:
  struct Match {
    std::size_t distance = 0;
    std::size_t length = 0;
  };

  explicit MatchFinder(ByteSpan data)
      : data_(data), newest_(std::size_t{1} << kHashBits, kNone), older_(data.size(), kNone) {}

  void insert(std::size_t pos) {
    if (data_.size() - pos < kMinMatch) return;
    std::uint32_t& newest = newest_[hash(pos)];
    older_[pos] = newest;
    newest = static_cast<std::uint32_t>(pos);
  }

  // The longest match for `pos`, or a length of 0 when none reaches kMinMatch.
  Match longest(std::size_t pos) const {
    Match best;
    if (data_.size() - pos < kMinMatch) return best;
    const std::size_t limit = std::min(kMaxMatch, data_.size() - pos);
    std::uint32_t candidate = newest_[hash(pos)];
    for (std::size_t tried = 0; candidate != kNone && tried < kChainDepth; ++tried) {
      const std::size_t distance = pos - candidate;
      if (distance > kMaxDistance) break;
      std::size_t length = 0;
      while (length < limit && data_[candidate + length] == data_[pos + length]) ++length;
      if (length > best.length) best = {distance, length};
      if (best.length == limit) break;
      candidate = older_[candidate];
    }
    return best.length >= kMinMatch ? best : Match{};
  }

 private:
  std::size_t hash(std::size_t pos) const {
    const std::uint32_t key = static_cast<std::uint32_t>(data_[pos]) |
                              static_cast<std::uint32_t>(data_[pos + 1]) << 8 |
                              static_cast<std::uint32_t>(data_[pos + 2]) << 16;
    return (key * 2654435761u) >> (32 - kHashBits);
  }

  ByteSpan data_;
  std::vector<std::uint32_t> newest_;
  std::vector<std::uint32_t> older_;
};

}  // namespace

Bytes lrs_encode(ByteSpan data) {
  LrsTokenWriter out(static_cast<std::uint32_t>(data.size()));
  MatchFinder finder(data);
  std::size_t pos = 0;
  while (pos < data.size()) {
    const MatchFinder::Match match = finder.longest(pos);
    if (match.length == 0) {
      out.literal(data[pos]);
      finder.insert(pos++);
      continue;
    }
    out.match(static_cast<std::uint32_t>(match.distance), static_cast<std::uint32_t>(match.length));
    for (const std::size_t end = pos + match.length; pos < end; ++pos) finder.insert(pos);
  }
  return std::move(out).finish();
}

}  // namespace portal_fixture
