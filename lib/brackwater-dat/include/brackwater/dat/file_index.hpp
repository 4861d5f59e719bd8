#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace brackwater::dat {

// One directory entry: where a stored file's block chain starts and how many
// bytes it holds.
struct DatFileEntry {
  std::uint32_t bit_flags = 0;  // bit 0: stored bytes are LRS-compressed
  std::uint32_t id = 0;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  std::uint32_t timestamp = 0;
  std::uint32_t version = 0;

  bool compressed() const { return (bit_flags & 1u) != 0; }
};

// Directory entries by file id, with the lookups of a map: one array sorted
// by id, 28 bytes per entry and nothing else. An archive holds around 100,000
// entries; built all at once from a directory walk, they cost no allocation
// per entry, and a survey's lookups, which climb through each kind of id in
// order, find the upper levels of every binary search in cache. Enumeration
// is in ascending id order.
class FileIndex {
 public:
  using value_type = std::pair<std::uint32_t, DatFileEntry>;
  using const_iterator = std::vector<value_type>::const_iterator;

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

  // The entry of `id`, or end().
  const_iterator find(std::uint32_t id) const;
  bool contains(std::uint32_t id) const { return find(id) != end(); }
  // As std::unordered_map::at: throws std::out_of_range for an absent id.
  const DatFileEntry& at(std::uint32_t id) const;

  // Adds `entries` as if one after another, each replacing any entry already
  // held for its id. Sorts once for all of them; into an empty index the
  // entries move without a copy.
  void insert_or_assign_all(std::vector<value_type> entries);
  // One entry at a time: each addition moves the entries above it, so large
  // indexes are built with insert_or_assign_all.
  void insert_or_assign(std::uint32_t id, const DatFileEntry& entry);
  // The entry for `id`, added default-constructed when absent.
  DatFileEntry& operator[](std::uint32_t id);

 private:
  std::vector<value_type>::iterator lower_bound(std::uint32_t id);

  std::vector<value_type> entries_;  // ascending ids, each id once
};

}  // namespace brackwater::dat
