#include "brackwater/dat/chain_prefetcher.hpp"

#include <algorithm>
#include <vector>

#include "brackwater/dat/chain_reader.hpp"
#include "brackwater/dat/field_reader.hpp"

namespace brackwater::dat {
namespace {

// Where a chain's walk stands: the next read, and the bytes still to come.
struct Walk {
  std::uint64_t at;
  std::uint64_t remaining;
  // The chain ended early: the rest lies back to back from `at`.
  bool rest = false;
};

}  // namespace

ChainPrefetcher::ChainPrefetcher(const PosixFile& file, std::uint32_t block_size,
                                 std::uint64_t file_length, BatchReader::Mechanism mechanism)
    : file_(&file), reader_(file, mechanism), block_size_(block_size), file_length_(file_length) {}

bool ChainPrefetcher::in_memory(std::span<const ChainStart> chains) const {
  return std::ranges::all_of(chains,
                             [this](const ChainStart& chain) { return file_->in_memory(chain.offset); });
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
      const std::uint64_t size =
          walk.rest ? walk.remaining : kBlockLinkSize + std::min(data_area, walk.remaining);
      if (size > byte_limit - asked) return true;
      asked += size;
      requests.push_back({walk.at, static_cast<std::size_t>(size)});
      return false;
    });
    std::vector<ReadOutcome> outcomes = reader_.read(requests);
    std::vector<Walk> going_on;
    for (std::size_t i = 0; i < walks.size(); ++i) {
      if (!outcomes[i]) continue;
      const Walk& walk = walks[i];
      // A block read holds its link and at least one byte of data.
      const std::uint32_t link = walk.rest ? 0 : load_u32(outcomes[i]->data());
      into.hold(walk.at, std::move(*outcomes[i]));
      if (walk.rest) continue;
      const std::uint64_t chunk = std::min(data_area, walk.remaining);
      const std::uint64_t remaining = walk.remaining - chunk;
      if (remaining == 0) continue;
      if (link != 0) {
        going_on.push_back({link, remaining});
        continue;
      }
      const std::uint64_t rest_at = walk.at + kBlockLinkSize + chunk;
      if (rest_at <= file_length_ && remaining <= file_length_ - rest_at) {
        going_on.push_back({rest_at, remaining, true});
      }
    }
    walks = std::move(going_on);
  }
  return asked;
}

}  // namespace brackwater::dat
