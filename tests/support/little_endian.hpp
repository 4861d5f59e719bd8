#pragma once

#include <cstdint>
#include <initializer_list>

#include "brackwater/dat/bytes.hpp"

namespace test_support {

// The low `count` bytes of `value` as stored: little-endian.
inline brackwater::dat::Bytes le_bytes(std::uint64_t value, int count) {
  brackwater::dat::Bytes out;
  for (int i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return out;
}

// The parts one after another.
inline brackwater::dat::Bytes concat(std::initializer_list<brackwater::dat::Bytes> parts) {
  brackwater::dat::Bytes out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// 32-bit words as stored: little-endian, back to back.
inline brackwater::dat::Bytes words(std::initializer_list<std::uint32_t> values) {
  brackwater::dat::Bytes out;
  for (const std::uint32_t value : values) {
    const brackwater::dat::Bytes word = le_bytes(value, 4);
    out.insert(out.end(), word.begin(), word.end());
  }
  return out;
}

}  // namespace test_support
