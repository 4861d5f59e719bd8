#pragma once

#include <cstdint>
#include <limits>

#include "brackwater/dat/error.hpp"

namespace brackwater::dat {

// What reads may still gather: data bytes and blocks visited. A damaged or
// crafted archive can make chains share blocks, so that a few bytes on disk
// read as gigabytes; a budget turns that into an error after a bounded
// amount of work. Once a spend is refused, every later one is too.
class ReadBudget {
 public:
  static constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();

  // `bytes` and `blocks`; a refused spend fails with `when_spent`.
  ReadBudget(std::uint64_t bytes, std::uint64_t blocks, DatError when_spent)
      : bytes_(bytes), blocks_(blocks), when_spent_(std::move(when_spent)) {}

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

  std::uint64_t bytes_left() const { return bytes_; }
  std::uint64_t blocks_left() const { return blocks_; }
  bool used_up() const { return blocks_ == 0 || bytes_ == 0; }

  // The error of a refused spend.
  const DatError& spent_error() const { return when_spent_; }

 private:
  std::uint64_t bytes_;
  std::uint64_t blocks_;
  DatError when_spent_;
};

}  // namespace brackwater::dat
