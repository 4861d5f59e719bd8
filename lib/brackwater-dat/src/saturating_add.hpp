#pragma once

#include <cstdint>
#include <limits>

namespace brackwater::dat {

// a + b, or the largest value where that would overflow: allowances built
// from an unknown length stay unbounded instead of wrapping to small ones.
constexpr std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
  return a > std::numeric_limits<std::uint64_t>::max() - b
             ? std::numeric_limits<std::uint64_t>::max()
             : a + b;
}

}  // namespace brackwater::dat
