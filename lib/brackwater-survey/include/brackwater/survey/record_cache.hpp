#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/survey/flat_id_map.hpp"

namespace brackwater::survey {

// The bytes of recently fetched files, by id, up to a total size that counts
// each record's bookkeeping too: the most recently used stay. Surfaces share SurfaceTextures,
// Textures and Palettes, and serving those again from memory keeps every file of a sound archive
// read from disk once.
class RecordCache {
 public:
  using Record = std::shared_ptr<const dat::Bytes>;

  // What holding a record costs beyond its bytes: its slot, its place in
  // the map, the shared count and the vector.
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
  static constexpr std::uint32_t kNone = UINT32_MAX;

  // A held record, linked into the order of use by slot numbers.
  struct Slot {
    std::uint32_t id = 0;
    std::uint32_t newer = kNone;
    std::uint32_t older = kNone;
    Record record;
  };

  void unlink(std::uint32_t slot);
  void link_newest(std::uint32_t slot);
  void drop_oldest();

  std::size_t capacity_;
  std::size_t held_ = 0;
  std::vector<Slot> slots_;
  std::vector<std::uint32_t> free_slots_;
  FlatIdMap<std::uint32_t> slot_of_;  // by file id
  std::uint32_t newest_ = kNone;
  std::uint32_t oldest_ = kNone;
};

}  // namespace brackwater::survey
