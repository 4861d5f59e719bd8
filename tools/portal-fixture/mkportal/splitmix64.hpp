#pragma once

#include <cstdint>

namespace mkportal {

// splitmix64: a fixed algorithm of our own, so an archive depends on its seed
// alone and never on the standard library's engines or distributions.
class SplitMix64 {
 public:
  static constexpr std::uint64_t kGamma = 0x9E3779B97F4A7C15u;

  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    state_ += kGamma;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }

  // A value from 0 to bound - 1; the modulo's bias is far below what matters here.
  std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>(next() % bound); }

  // The value that the `key`-th call of next() (counted from 0) returns for
  // `seed`, without making the calls before it.
  static std::uint64_t at(std::uint64_t seed, std::uint64_t key) {
    return SplitMix64(seed + key * kGamma).next();
  }

 private:
  std::uint64_t state_;
};

}  // namespace mkportal
