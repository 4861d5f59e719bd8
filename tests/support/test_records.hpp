#pragma once

// Records for the archives tests build: a Texture to encode or convert, and
// the stored bytes of the records a surface resolves through.

#include <cstdint>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/records.hpp"

namespace test_support {

using portal_fixture::texture;

// The stored bytes of a solid Surface (type 0x1) of `color_word`.
inline brackwater::dat::Bytes solid_surface(std::uint32_t color_word) {
  return portal_fixture::encode(portal_fixture::solid_surface(color_word));
}

// The stored bytes of a textured Surface (type 0x2) naming its SurfaceTexture
// and palette (0: none).
inline brackwater::dat::Bytes textured_surface(std::uint32_t surface_texture_id,
                                               std::uint32_t palette_id = 0) {
  return portal_fixture::encode(portal_fixture::textured_surface(surface_texture_id, palette_id));
}

// A SurfaceTexture listing `texture_ids` as its mips.
inline brackwater::dat::Bytes mip_list(std::vector<std::uint32_t> texture_ids) {
  return portal_fixture::encode(
      brackwater::dat::SurfaceTexture{.textures = std::move(texture_ids)});
}

// A small archive (64-byte blocks) with a solid and a textured surface and
// every record the textured one resolves through, some files compressed, so
// reading it goes through every kind of fetch the tool makes.
inline portal_fixture::ArchiveBuilder every_record_archive() {
  using brackwater::dat::PixelFormat;
  portal_fixture::ArchiveBuilder b({.block_size = 64});
  b.add_file(0x08000001, solid_surface(0xFF336699));
  b.add_file(0x08000002, textured_surface(0x05000001, 0x04000001), {.compress = true});
  b.add_file(0x05000001, mip_list({0x06000001}));
  b.add_file(0x06000001,
             portal_fixture::encode(texture(PixelFormat::Kind::P8, 2, 2, {0, 1, 1, 1}, 0x04000001)),
             {.compress = true});
  b.add_file(0x04000001, portal_fixture::encode(
                             brackwater::dat::Palette{0x04000001, {0xFF0000FF, 0xFF00FF00}}));
  return b;
}

}  // namespace test_support
