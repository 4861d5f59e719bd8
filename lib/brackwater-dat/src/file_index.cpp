#include "brackwater/dat/file_index.hpp"

#include <algorithm>

namespace brackwater::dat {

FileIndex::FileIndex(std::vector<value_type> entries) : entries_(std::move(entries)) {
  if (!strictly_ascending(entries_)) keep_last_of_each_id();
  ids_.reserve(entries_.size());
  for (const auto& [id, entry] : entries_) ids_.push_back(id);
}

void FileIndex::keep_last_of_each_id() {
  // Equal ids stay in the order they were met; the last of each run stays.
  std::ranges::stable_sort(entries_, {}, &value_type::first);
  std::size_t kept = 0;
  for (std::size_t k = 0; k < entries_.size(); ++k) {
    const bool replaced = k + 1 < entries_.size() && entries_[k + 1].first == entries_[k].first;
    if (!replaced) entries_[kept++] = entries_[k];
  }
  entries_.resize(kept);
}

bool FileIndex::strictly_ascending(std::span<const value_type> entries) {
  return std::ranges::adjacent_find(entries, std::ranges::greater_equal{}, &value_type::first) ==
         entries.end();
}

FileIndex::const_iterator FileIndex::find(std::uint32_t id) const {
  const auto found = std::lower_bound(ids_.begin(), ids_.end(), id);
  if (found == ids_.end() || *found != id) return entries_.end();
  return entries_.begin() + (found - ids_.begin());
}

std::span<const FileIndex::value_type> FileIndex::of_type(std::uint8_t type) const {
  const auto first = std::lower_bound(ids_.begin(), ids_.end(), first_id_of_type(type));
  const auto past = std::upper_bound(first, ids_.end(), last_id_of_type(type));
  return std::span(entries_).subspan(static_cast<std::size_t>(first - ids_.begin()),
                                     static_cast<std::size_t>(past - first));
}

}  // namespace brackwater::dat
