#include "brackwater/survey/record_cache.hpp"

namespace brackwater::survey {

RecordCache::Record RecordCache::find(std::uint32_t id) {
  const auto found = slots_.find(id);
  if (found == slots_.end()) return nullptr;
  uses_.splice(uses_.begin(), uses_, found->second.use);
  return found->second.record;
}

RecordCache::Record RecordCache::peek(std::uint32_t id) const {
  const auto found = slots_.find(id);
  return found == slots_.end() ? nullptr : found->second.record;
}

void RecordCache::remember(std::uint32_t id, Record record) {
  const std::size_t cost = record->size() + kRecordOverhead;
  if (cost > capacity_ / 4 || slots_.contains(id)) return;
  held_ += cost;
  uses_.push_front(id);
  slots_.emplace(id, Slot{std::move(record), uses_.begin()});
  while (held_ > capacity_) {
    const auto oldest = slots_.find(uses_.back());
    held_ -= oldest->second.record->size() + kRecordOverhead;
    slots_.erase(oldest);
    uses_.pop_back();
  }
}

}  // namespace brackwater::survey
