#include "brackwater/dat/chain_prefetcher.hpp"

#include <algorithm>
#include <optional>
#include <vector>

#include "brackwater/dat/chain_reader.hpp"
#include "brackwater/dat/field_reader.hpp"

namespace brackwater::dat {

std::uint64_t ChainPrefetcher::run_bytes(const Walk& walk) const {
  // The blocks the rest of the chain takes, laid one after another from
  // where it stands, as an archive written in one go lays them.
  const std::uint64_t data_area = block_size_ - kBlockLinkSize;
  const std::uint64_t blocks = (walk.remaining + data_area - 1) / data_area;
  const std::uint64_t bytes = walk.remaining + blocks * kBlockLinkSize;
  return walk.at >= file_length_ ? 0 : std::min(bytes, file_length_ - walk.at);
}

std::optional<ChainPrefetcher::Walk> ChainPrefetcher::follow_run(const Walk& walk,
                                                                 ByteSpan read) const {
  // Blocks whose links lead to the block after them are read already; the
  // walk goes on where a link leads elsewhere or the bytes read end.
  const std::uint64_t data_area = block_size_ - kBlockLinkSize;
  std::uint64_t remaining = walk.remaining;
  for (std::uint64_t block = 0;; block += block_size_) {
    // A read holds at least its first block's link and one byte of data.
    const std::uint32_t link = load_u32(read.data() + block);
    const std::uint64_t chunk = std::min(data_area, remaining);
    remaining -= chunk;
    if (remaining == 0) return std::nullopt;
    const std::uint64_t after = block + block_size_;
    if (link == 0) {
      // The chain ends early: the rest follows this block's data.
      const std::uint64_t rest_at = walk.at + after;
      if (after + remaining <= read.size()) return std::nullopt;
      if (rest_at > file_length_ || remaining > file_length_ - rest_at) return std::nullopt;
      return Walk{rest_at, remaining, true};
    }
    if (link != walk.at + after ||
        after + kBlockLinkSize + std::min(data_area, remaining) > read.size()) {
      return Walk{link, remaining};
    }
  }
}

ChainPrefetcher::ChainPrefetcher(const PosixFile& file, std::uint32_t block_size,
                                 std::uint64_t file_length, BatchReader::Mechanism mechanism)
    : file_(&file), reader_(file, mechanism), block_size_(block_size), file_length_(file_length) {}

bool ChainPrefetcher::in_memory(std::span<const ChainStart> chains) const {
  return std::ranges::all_of(
      chains, [this](const ChainStart& chain) { return file_->in_memory(chain.offset); });
}

std::uint64_t ChainPrefetcher::prefetch(std::span<const ChainStart> chains,
                                        std::uint64_t byte_limit, PrefetchedBlocks& into) const {
  // A chain read refuses these before reading anything.
  if (block_size_ <= kBlockLinkSize) return 0;
  const std::uint64_t data_area = block_size_ - kBlockLinkSize;
  std::vector<ChainStart> starts(chains.begin(), chains.end());
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  std::vector<Walk> walks;
  for (const ChainStart& start : starts) {
    if (start.size != 0 && start.size <= file_length_) walks.push_back({start.offset, start.size});
  }

  std::uint64_t asked = 0;
  std::vector<ReadRequest> requests;
  for (unsigned level = 0; level < kMaxLevels && !walks.empty(); ++level) {
    requests.clear();
    std::erase_if(walks, [&](const Walk& walk) {
      // The whole rest of the chain when its blocks follow one another, so
      // that one read takes what would otherwise take a level per block.
      const std::uint64_t one_block = kBlockLinkSize + std::min(data_area, walk.remaining);
      std::uint64_t size = walk.rest ? walk.remaining : std::max(one_block, run_bytes(walk));
      if (size > byte_limit - asked) size = walk.rest ? size : one_block;
      if (size > byte_limit - asked) return true;
      asked += size;
      requests.push_back({walk.at, static_cast<std::size_t>(size)});
      return false;
    });
    std::vector<ReadOutcome> outcomes = reader_.read(requests);
    std::vector<PrefetchedBlocks::Range> read;
    std::vector<Walk> going_on;
    for (std::size_t i = 0; i < walks.size(); ++i) {
      if (!outcomes[i]) continue;
      if (!walks[i].rest) {
        if (const auto next = follow_run(walks[i], *outcomes[i])) going_on.push_back(*next);
      }
      read.push_back({walks[i].at, std::move(*outcomes[i])});
    }
    into.hold(std::move(read));
    walks = std::move(going_on);
  }
  return asked;
}

}  // namespace brackwater::dat
