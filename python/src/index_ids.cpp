#include "index_ids.hpp"

#include <algorithm>

namespace brackwater::python {

// The index enumerates in ascending id order, so one top byte is one run of it.
std::vector<std::uint32_t> index_ids(const dat::FileIndex& index,
                                     std::optional<std::uint8_t> top_byte) {
  const auto below = [](const dat::FileIndex::value_type& entry, std::uint32_t id) {
    return entry.first < id;
  };
  auto first = index.begin();
  auto last = index.end();
  if (top_byte) {
    const std::uint32_t lowest = std::uint32_t{*top_byte} << 24;
    first = std::lower_bound(index.begin(), index.end(), lowest, below);
    last = *top_byte == 0xFF ? index.end()
                             : std::lower_bound(first, index.end(), lowest + (1u << 24), below);
  }
  std::vector<std::uint32_t> ids;
  ids.reserve(static_cast<std::size_t>(last - first));
  for (auto entry = first; entry != last; ++entry) ids.push_back(entry->first);
  return ids;
}

}  // namespace brackwater::python
