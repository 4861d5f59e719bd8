#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>

#include "brackwater/dat/bytes.hpp"

namespace brackwater::survey {

// The bytes of recently fetched files, by id, up to a total size that counts
// each record's bookkeeping too: the most recently used stay. Surfaces share SurfaceTextures,
// Textures and Palettes, and serving those again from memory keeps every file of a sound archive
// read from disk once.
class RecordCache {
 public:
  using Record = std::shared_ptr<const dat::Bytes>;

  // What holding a record costs beyond its bytes: map and list nodes, the
  // shared count and the vector.
  static constexpr std::size_t kRecordOverhead = 128;

  explicit RecordCache(std::size_t capacity) : capacity_(capacity) {}

  // The record, or null when it is not held.
  Record find(std::uint32_t id);
  // The same without counting as a use, so looking ahead leaves which
  // records stay as it was.
  Record peek(std::uint32_t id) const;
  // Holds `record` unless it is larger than a quarter of the capacity, which
  // would push out much that is shared for one file that may not be.
  void remember(std::uint32_t id, Record record);

 private:
  struct Slot {
    Record record;
    std::list<std::uint32_t>::iterator use;
  };

  std::size_t capacity_;
  std::size_t held_ = 0;
  std::list<std::uint32_t> uses_;  // most recently used first
  std::unordered_map<std::uint32_t, Slot> slots_;
};

}  // namespace brackwater::survey
