#include "brackwater/dat/file_index.hpp"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

#include "brackwater/dat/display.hpp"

namespace brackwater::dat {
namespace {

bool id_below(const FileIndex::value_type& held, std::uint32_t id) {
  return held.first < id;
}

// Sorts by id and keeps equal ids in their order: a least-significant-digit
// radix sort, linear in the number of entries where a comparison sort of a
// whole directory takes several times as long. Byte digits keep the 256
// write positions of a pass within reach of the caches; a byte that all ids
// share (the high ones of a small index) needs no pass.
void sort_by_id(std::vector<FileIndex::value_type>& entries) {
  constexpr unsigned kDigits = 4;
  constexpr std::size_t kValues = 256;
  std::array<std::array<std::size_t, kValues>, kDigits> counts{};
  for (const auto& entry : entries) {
    for (unsigned digit = 0; digit < kDigits; ++digit) {
      ++counts[digit][entry.first >> (8 * digit) & 0xFF];
    }
  }
  std::vector<FileIndex::value_type> sorted(entries.size());
  for (unsigned digit = 0; digit < kDigits; ++digit) {
    std::array<std::size_t, kValues>& next = counts[digit];
    if (std::find(next.begin(), next.end(), entries.size()) != next.end()) continue;
    std::size_t start = 0;
    for (std::size_t& slot : next) start += std::exchange(slot, start);
    for (const auto& entry : entries) sorted[next[entry.first >> (8 * digit) & 0xFF]++] = entry;
    entries.swap(sorted);
  }
}

}  // namespace

FileIndex::const_iterator FileIndex::find(std::uint32_t id) const {
  const auto found = std::lower_bound(entries_.begin(), entries_.end(), id, id_below);
  return found != entries_.end() && found->first == id ? found : entries_.end();
}

const DatFileEntry& FileIndex::at(std::uint32_t id) const {
  const auto found = find(id);
  if (found == end()) throw std::out_of_range("no file " + hex8(id) + " in the index");
  return found->second;
}

void FileIndex::insert_or_assign_all(std::vector<value_type> entries) {
  if (entries_.empty()) {
    entries_ = std::move(entries);
    // Ascending ids, as a directory walk in key order gives, need nothing more.
    const auto not_ascending = [](const value_type& a, const value_type& b) {
      return a.first >= b.first;
    };
    if (std::adjacent_find(entries_.begin(), entries_.end(), not_ascending) == entries_.end()) {
      return;
    }
  } else {
    entries_.insert(entries_.end(), entries.begin(), entries.end());
  }
  // Equal ids stay in the order they were added, the entries already held
  // first; the last of each run is the one that stays.
  sort_by_id(entries_);
  std::size_t kept = 0;
  for (std::size_t k = 0; k < entries_.size(); ++k) {
    const bool replaced = k + 1 < entries_.size() && entries_[k + 1].first == entries_[k].first;
    if (!replaced) entries_[kept++] = entries_[k];
  }
  entries_.resize(kept);
}

std::vector<FileIndex::value_type>::iterator FileIndex::lower_bound(std::uint32_t id) {
  return std::lower_bound(entries_.begin(), entries_.end(), id, id_below);
}

void FileIndex::insert_or_assign(std::uint32_t id, const DatFileEntry& entry) {
  (*this)[id] = entry;
}

DatFileEntry& FileIndex::operator[](std::uint32_t id) {
  auto at = lower_bound(id);
  if (at == entries_.end() || at->first != id) at = entries_.insert(at, {id, DatFileEntry{}});
  return at->second;
}

}  // namespace brackwater::dat
