#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "brackwater/dat/error.hpp"

namespace brackwater::dat {

// What reads may still gather: data bytes and blocks visited. A damaged or
// crafted archive can make chains share blocks, so that a few bytes on disk
// read as gigabytes; a budget turns that into an error after a bounded
// amount of work. Once a spend is refused, every later one is too.
class ReadBudget {
 public:
  static constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();
  // A block visit costs a system call, worth about this many bytes of copying.
  static constexpr std::uint64_t kBlockReadCost = 512;

  // No limit at all.
  ReadBudget() = default;
  // `bytes` and `blocks`; a refused spend fails with `when_spent`.
  ReadBudget(std::uint64_t bytes, std::uint64_t blocks, DatError when_spent)
      : bytes_(bytes), blocks_(blocks), when_spent_(std::move(when_spent)) {}
  // `bytes`, and a block visit for every kBlockReadCost of them; a refused
  // spend fails with "Other error: read limit of {bytes} bytes reached".
  static ReadBudget limit(std::uint64_t bytes) {
    return ReadBudget(
        bytes, bytes / kBlockReadCost,
        DatError(DatError::Other{"read limit of " + std::to_string(bytes) + " bytes reached"}));
  }

  // Takes `blocks` block visits and `bytes` out of the budget; false when
  // either would go beyond what is left, which uses the budget up.
  [[nodiscard]] bool spend(std::uint64_t blocks, std::uint64_t bytes) {
    if (blocks > blocks_ || bytes > bytes_) {
      blocks_ = 0;
      bytes_ = 0;
      return false;
    }
    if (blocks_ != kUnlimited) blocks_ -= blocks;
    if (bytes_ != kUnlimited) bytes_ -= bytes;
    return true;
  }

  bool used_up() const { return blocks_ == 0 || bytes_ == 0; }

  // The error of a refused spend.
  DatError spent_error() const {
    return when_spent_ ? *when_spent_ : DatError(DatError::Other{"read limit reached"});
  }

 private:
  std::uint64_t bytes_ = kUnlimited;
  std::uint64_t blocks_ = kUnlimited;
  std::optional<DatError> when_spent_;
};

}  // namespace brackwater::dat
