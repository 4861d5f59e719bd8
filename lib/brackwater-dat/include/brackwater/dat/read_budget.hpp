#pragma once

#include <cstdint>

namespace brackwater::dat {

// An amount of work that spends down, such as bytes a caller lets decoding
// produce. Once a spend is refused, every later one is too, a spend of 0
// included, so that all work after the first refusal fails alike.
class Allowance {
 public:
  explicit Allowance(std::uint64_t amount) : amount_(amount), left_(amount) {}

  // Takes `amount` out; false, using the allowance up, when less is left.
  [[nodiscard]] bool spend(std::uint64_t amount) {
    if (refused_ || amount > left_) {
      refuse();
      return false;
    }
    left_ -= amount;
    return true;
  }
  // Uses the allowance up without a spend.
  void refuse() {
    refused_ = true;
    left_ = 0;
  }

  // What it started with.
  std::uint64_t amount() const { return amount_; }
  std::uint64_t left() const { return left_; }
  bool refused() const { return refused_; }

 private:
  std::uint64_t amount_;
  std::uint64_t left_;
  bool refused_ = false;
};

// What reads may still gather: data bytes and blocks visited. A damaged or
// crafted archive can make chains share blocks, so that a few bytes on disk
// read as gigabytes; a budget turns that into an error after a bounded
// amount of work. A read refused by it fails with a DatError for which
// read_limit_reached() holds, and so does every read after it.
class ReadBudget {
 public:
  ReadBudget(std::uint64_t bytes, std::uint64_t blocks) : bytes_(bytes), blocks_(blocks) {}

  // Takes `blocks` block visits and `bytes` out of the budget, both or
  // neither; false when either would go beyond what is left, which uses the
  // budget up.
  [[nodiscard]] bool spend(std::uint64_t blocks, std::uint64_t bytes) {
    if (blocks > blocks_.left() || bytes > bytes_.left() || exhausted()) {
      bytes_.refuse();
      blocks_.refuse();
      return false;
    }
    return bytes_.spend(bytes) && blocks_.spend(blocks);
  }

  std::uint64_t bytes_left() const { return bytes_.left(); }
  std::uint64_t blocks_left() const { return blocks_.left(); }
  bool exhausted() const { return bytes_.refused(); }

 private:
  Allowance bytes_;
  Allowance blocks_;
};

}  // namespace brackwater::dat
