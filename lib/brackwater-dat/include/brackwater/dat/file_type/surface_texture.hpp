#pragma once

#include <cstdint>
#include <expected>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/read_error.hpp"

namespace brackwater::dat {

// The mip levels of a textured surface: one Texture id per level.
struct SurfaceTexture {
  std::uint32_t id = 0;
  std::uint32_t unknown_int = 0;
  std::uint8_t unknown_byte = 0;
  std::vector<std::uint32_t> textures;

  static std::expected<SurfaceTexture, ReadError> unpack(ByteSpan bytes);

  friend bool operator==(const SurfaceTexture&, const SurfaceTexture&) = default;
};

}  // namespace brackwater::dat
