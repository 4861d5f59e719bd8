#pragma once

// Records for the archives tests build: a Texture to encode or convert, and
// the stored bytes of the records a surface resolves through.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/records.hpp"

namespace test_support {

// A texture holding `pixels` as its source data, its length theirs.
inline brackwater::dat::Texture texture(brackwater::dat::PixelFormat::Kind format,
                                        std::int32_t width, std::int32_t height,
                                        brackwater::dat::Bytes pixels,
                                        std::optional<std::uint32_t> palette_id = std::nullopt) {
  brackwater::dat::Texture t;
  t.width = width;
  t.height = height;
  t.format_raw = static_cast<std::uint32_t>(format);
  t.length = static_cast<std::int32_t>(pixels.size());
  t.source_data = std::move(pixels);
  t.default_palette_id = palette_id;
  return t;
}

// A solid Surface (type 0x1, no bit of the textured mask) of `color_word`.
inline brackwater::dat::Bytes solid_surface(std::uint32_t color_word) {
  brackwater::dat::Surface surface;
  surface.surface_type = 0x1;
  surface.color_value = color_word;
  return portal_fixture::encode(surface);
}

// A textured Surface (type 0x2) naming its SurfaceTexture and palette (0: none).
inline brackwater::dat::Bytes textured_surface(std::uint32_t surface_texture_id,
                                               std::uint32_t palette_id = 0) {
  brackwater::dat::Surface surface;
  surface.surface_type = 0x2;
  surface.texture_refs = brackwater::dat::TextureRefs{surface_texture_id, palette_id};
  return portal_fixture::encode(surface);
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
