#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "brackwater/dat/bytes.hpp"

namespace test_support {

// The LRS decoding rules followed literally, one token and one byte at a
// time, to hold the optimised decoder against. The output grows only as
// bytes are decoded, so a damaged expected size reserves nothing.
inline brackwater::dat::Bytes lrs_reference_decode(brackwater::dat::ByteSpan data) {
  using brackwater::dat::Bytes;
  if (data.size() < 4) return Bytes(data.begin(), data.end());
  const std::size_t expected = std::size_t{data[0]} | std::size_t{data[1]} << 8 |
                               std::size_t{data[2]} << 16 | std::size_t{data[3]} << 24;
  Bytes out;
  std::size_t i = 4;
  std::uint8_t flags = 0, mask = 0;
  while (expected != 0 && i < data.size()) {
    if (mask == 0) {
      flags = data[i++];
      mask = 0x80;
    }
    if (flags & mask) {
      if (data.size() - i < 2) break;
      const std::size_t distance = data[i] + 256 * (data[i + 1] >> 4);
      const std::size_t length = (data[i + 1] & 0x0F) + 2;
      if (distance == 0 || out.empty()) break;
      i += 2;
      for (std::size_t k = 0; k < length && out.size() < expected; ++k) {
        out.push_back(out[out.size() - std::min(out.size(), distance)]);
      }
    } else {
      if (i == data.size()) break;
      out.push_back(data[i++]);
    }
    if (out.size() == expected) break;
    mask = static_cast<std::uint8_t>(mask >> 1);
  }
  return out;
}

}  // namespace test_support
