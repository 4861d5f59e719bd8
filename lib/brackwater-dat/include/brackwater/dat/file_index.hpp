#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
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

// The top byte of a file id names the kind of record the file holds; the ids
// of one kind run from first_id_of_type to last_id_of_type.
constexpr std::uint8_t id_type(std::uint32_t id) {
  return static_cast<std::uint8_t>(id >> 24);
}
constexpr std::uint32_t first_id_of_type(std::uint8_t type) {
  return std::uint32_t{type} << 24;
}
constexpr std::uint32_t last_id_of_type(std::uint8_t type) {
  return first_id_of_type(type) | 0x00FFFFFFu;
}

// Directory entries by file id, built once and then only read: one array
// sorted by id, 28 bytes per entry, and the ids alone beside it, 4 bytes per
// entry. An archive holds around 100,000 entries; a lookup searches the ids,
// whose 400 KB stay in cache where the entries' 2.8 MB do not, and touches
// one entry. Enumeration is in ascending id order.
class FileIndex {
 public:
  using value_type = std::pair<std::uint32_t, DatFileEntry>;
  using const_iterator = std::vector<value_type>::const_iterator;

  FileIndex() = default;
  // `entries` in the order they were met; a later entry replaces an earlier
  // one with its id. Entries in strictly ascending id order, as a directory
  // walk in key order gives, are taken as they are.
  explicit FileIndex(std::vector<value_type> entries);

  // Whether `entries` are sorted by id with each id once.
  static bool strictly_ascending(std::span<const value_type> entries);

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

  // The entry of `id`, or end().
  const_iterator find(std::uint32_t id) const;
  bool contains(std::uint32_t id) const { return find(id) != end(); }
  // The entries whose ids have top byte `type`, in ascending id order.
  std::span<const value_type> of_type(std::uint8_t type) const;

 private:
  // Sorts the entries by id, the last met of each id staying.
  void keep_last_of_each_id();

  std::vector<value_type> entries_;  // ascending ids, each id once
  std::vector<std::uint32_t> ids_;   // entries_' ids, in the same order
};

}  // namespace brackwater::dat
