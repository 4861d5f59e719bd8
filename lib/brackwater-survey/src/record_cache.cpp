#include "brackwater/survey/record_cache.hpp"

namespace brackwater::survey {

RecordCache::Record RecordCache::find(std::uint32_t id) {
  const std::uint32_t* slot = slot_of_.find(id);
  if (!slot) return nullptr;
  if (*slot != newest_) {
    unlink(*slot);
    link_newest(*slot);
  }
  return slots_[*slot].record;
}

RecordCache::Record RecordCache::peek(std::uint32_t id) const {
  const std::uint32_t* slot = slot_of_.find(id);
  return slot ? slots_[*slot].record : nullptr;
}

void RecordCache::remember(std::uint32_t id, Record record) {
  const std::size_t cost = record->size() + kRecordOverhead;
  if (cost > capacity_ / 4 || slot_of_.find(id)) return;
  std::uint32_t slot;
  if (free_slots_.empty()) {
    slot = static_cast<std::uint32_t>(slots_.size());
    slots_.emplace_back();
  } else {
    slot = free_slots_.back();
    free_slots_.pop_back();
  }
  slots_[slot].id = id;
  slots_[slot].record = std::move(record);
  link_newest(slot);
  slot_of_.insert_or_assign(id, slot);
  held_ += cost;
  while (held_ > capacity_) drop_oldest();
}

void RecordCache::unlink(std::uint32_t slot) {
  Slot& s = slots_[slot];
  (s.newer == kNone ? newest_ : slots_[s.newer].older) = s.older;
  (s.older == kNone ? oldest_ : slots_[s.older].newer) = s.newer;
  s.newer = s.older = kNone;
}

void RecordCache::link_newest(std::uint32_t slot) {
  slots_[slot].older = newest_;
  (newest_ == kNone ? oldest_ : slots_[newest_].newer) = slot;
  newest_ = slot;
}

void RecordCache::drop_oldest() {
  const std::uint32_t slot = oldest_;
  Slot& s = slots_[slot];
  held_ -= s.record->size() + kRecordOverhead;
  slot_of_.erase(s.id);
  unlink(slot);
  s.record.reset();
  free_slots_.push_back(slot);
}

}  // namespace brackwater::survey
