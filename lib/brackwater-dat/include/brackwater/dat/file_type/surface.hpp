#pragma once

#include <cstdint>
#include <expected>
#include <optional>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/file_index.hpp"
#include "brackwater/dat/read_error.hpp"

namespace brackwater::dat {

// Surface records are the files whose ids have this top byte.
inline constexpr std::uint8_t kSurfaceIdType = 0x08;

constexpr bool is_surface_id(std::uint32_t id) {
  return id_type(id) == kSurfaceIdType;
}

// The references of a textured surface.
struct TextureRefs {
  std::uint32_t orig_texture_id = 0;  // the SurfaceTexture
  std::uint32_t orig_palette_id = 0;  // a Palette; 0 means none

  friend bool operator==(const TextureRefs&, const TextureRefs&) = default;
};

// How one surface is coloured: a colour word (solid) or texture references.
// Exactly one of `texture_refs` and `color_value` is present after unpack.
struct Surface {
  // Type bits 0x2 and 0x4 select the textured layout.
  static constexpr std::uint32_t kTexturedMask = 0x6;

  std::uint32_t surface_type = 0;
  std::optional<TextureRefs> texture_refs;
  std::optional<std::uint32_t> color_value;  // blue 0-7, green 8-15, red 16-23
  std::uint32_t translucency = 0;
  std::uint32_t luminosity = 0;
  std::uint32_t diffuse = 0;

  static std::expected<Surface, ReadError> unpack(ByteSpan bytes);

  friend bool operator==(const Surface&, const Surface&) = default;
};

}  // namespace brackwater::dat
