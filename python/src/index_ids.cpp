#include "index_ids.hpp"

#include <span>

namespace brackwater::python {

std::vector<std::uint32_t> index_ids(const dat::FileIndex& index,
                                     std::optional<std::uint8_t> top_byte) {
  const std::span<const dat::FileIndex::value_type> entries =
      top_byte ? index.of_type(*top_byte) : std::span(index.begin(), index.end());
  std::vector<std::uint32_t> ids;
  ids.reserve(entries.size());
  for (const auto& [id, entry] : entries) ids.push_back(id);
  return ids;
}

}  // namespace brackwater::python
