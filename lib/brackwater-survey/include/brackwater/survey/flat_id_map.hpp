#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace brackwater::survey {

// A hash map from 64-bit keys (file ids, or two of them side by side) to
// small values, held in one array with linear probing: a lookup touches one
// or two cache lines, an insert allocates only when the array grows, and
// dropping the whole map frees one block. Pointers to values last until the
// next insert or erase.
template <typename Value>
class FlatIdMap {
 public:
  std::size_t size() const { return size_; }

  Value* find(std::uint64_t key) { return const_cast<Value*>(std::as_const(*this).find(key)); }

  const Value* find(std::uint64_t key) const {
    if (key == kFree) return free_key_value_ ? &*free_key_value_ : nullptr;
    if (slots_.empty()) return nullptr;
    for (std::size_t at = home(key);; at = next(at)) {
      const Slot& slot = slots_[at];
      if (slot.first == key) return &slot.second;
      if (slot.first == kFree) return nullptr;
    }
  }

  Value& insert_or_assign(std::uint64_t key, Value value) {
    if (Value* held = find(key)) return *held = std::move(value);
    ++size_;
    if (key == kFree) return free_key_value_.emplace(std::move(value));
    // At most three quarters full, so a free slot always ends a probe.
    if (4 * size_ > 3 * slots_.size()) grow();
    return place(key, std::move(value));
  }

  void erase(std::uint64_t key) {
    if (key == kFree) {
      size_ -= free_key_value_.has_value();
      free_key_value_.reset();
      return;
    }
    if (slots_.empty()) return;
    std::size_t hole = home(key);
    while (slots_[hole].first != key) {
      if (slots_[hole].first == kFree) return;
      hole = next(hole);
    }
    --size_;
    // Later entries of the run move back into the hole when it lies on their
    // way from home, so every lookup still reaches its entry before a gap.
    for (std::size_t at = next(hole); slots_[at].first != kFree; at = next(at)) {
      const std::size_t from_home = (at - home(slots_[at].first)) & mask();
      if (((at - hole) & mask()) <= from_home) {
        slots_[hole] = std::move(slots_[at]);
        hole = at;
      }
    }
    slots_[hole] = Slot{kFree, Value{}};
  }

 private:
  // Marks a free slot; the one entry with this key is held beside the array.
  static constexpr std::uint64_t kFree = UINT64_MAX;
  using Slot = std::pair<std::uint64_t, Value>;

  std::size_t mask() const { return slots_.size() - 1; }
  std::size_t next(std::size_t at) const { return (at + 1) & mask(); }
  // Fibonacci hashing: ids of one kind differ in their low bits, which the
  // multiplication spreads over the high bits kept.
  std::size_t home(std::uint64_t key) const {
    const int bits = std::countr_zero(slots_.size());
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
  }

  Value& place(std::uint64_t key, Value value) {
    std::size_t at = home(key);
    while (slots_[at].first != kFree) at = next(at);
    slots_[at] = Slot{key, std::move(value)};
    return slots_[at].second;
  }

  void grow() {
    const std::size_t size = std::max<std::size_t>(16, 2 * slots_.size());
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(size, Slot{kFree, Value{}}));
    for (Slot& slot : old) {
      if (slot.first != kFree) place(slot.first, std::move(slot.second));
    }
  }

  std::vector<Slot> slots_;
  std::optional<Value> free_key_value_;
  std::size_t size_ = 0;
};

}  // namespace brackwater::survey
