#pragma once

#include <cstdint>
#include <limits>

namespace brackwater::dat {

// What block-chain reads may still gather: data bytes and blocks visited.
// A damaged or crafted archive can make chains share blocks, so that a
// handful of bytes on disk reads as gigabytes; a budget turns that into an
// error after a bounded amount of work.
class ReadBudget {
 public:
  static constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();

  ReadBudget() = default;
  ReadBudget(std::uint64_t bytes, std::uint64_t blocks) : bytes_(bytes), blocks_(blocks) {}

  // Takes `blocks` block visits and `bytes` of data out of the budget; false,
  // taking nothing, when either would go beyond what is left.
  [[nodiscard]] bool spend(std::uint64_t blocks, std::uint64_t bytes) {
    if (blocks > blocks_ || bytes > bytes_) return false;
    if (blocks_ != kUnlimited) blocks_ -= blocks;
    if (bytes_ != kUnlimited) bytes_ -= bytes;
    return true;
  }

 private:
  std::uint64_t bytes_ = kUnlimited;
  std::uint64_t blocks_ = kUnlimited;
};

}  // namespace brackwater::dat
