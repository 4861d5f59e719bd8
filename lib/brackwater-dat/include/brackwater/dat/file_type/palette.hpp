#pragma once

#include <cstdint>
#include <expected>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/read_error.hpp"

namespace brackwater::dat {

// Colours of a palette-indexed texture: entry i is the ARGB word of index i.
struct Palette {
  std::uint32_t id = 0;
  std::vector<std::uint32_t> colors;

  static std::expected<Palette, ReadError> unpack(ByteSpan bytes);

  friend bool operator==(const Palette&, const Palette&) = default;
};

}  // namespace brackwater::dat
