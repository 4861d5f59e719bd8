#pragma once

#include <cstddef>
#include <random>

#include "brackwater/dat/bytes.hpp"

namespace test_support {

// `size` bytes that differ from seed to seed, the same on every run.
inline brackwater::dat::Bytes random_bytes(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  brackwater::dat::Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(gen());
  return bytes;
}

}  // namespace test_support
