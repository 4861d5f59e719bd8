#include "portal_fixture/records.hpp"

#include <cstdint>
#include <utility>
#include <vector>

namespace portal_fixture {
namespace {

using brackwater::dat::Bytes;

void put_u8(Bytes& out, std::uint8_t value) {
  out.push_back(value);
}

void put_u32(Bytes& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void put_i32(Bytes& out, std::int32_t value) {
  put_u32(out, static_cast<std::uint32_t>(value));
}

// A signed 32-bit count, then the words.
void put_u32_list(Bytes& out, const std::vector<std::uint32_t>& words) {
  put_i32(out, static_cast<std::int32_t>(words.size()));
  for (const std::uint32_t word : words) put_u32(out, word);
}

}  // namespace

brackwater::dat::Texture texture(brackwater::dat::PixelFormat::Kind kind, std::int32_t width,
                                 std::int32_t height, Bytes pixels,
                                 std::optional<std::uint32_t> palette_id, std::uint32_t id) {
  brackwater::dat::Texture t;
  t.id = id;
  t.width = width;
  t.height = height;
  t.format_raw = static_cast<std::uint32_t>(kind);
  t.length = static_cast<std::int32_t>(pixels.size());
  t.source_data = std::move(pixels);
  t.default_palette_id = palette_id;
  return t;
}

brackwater::dat::Surface solid_surface(std::uint32_t color_word) {
  brackwater::dat::Surface surface;
  surface.surface_type = 0x1;
  surface.color_value = color_word;
  return surface;
}

brackwater::dat::Surface textured_surface(std::uint32_t surface_texture_id,
                                          std::uint32_t palette_id, std::uint32_t type) {
  brackwater::dat::Surface surface;
  surface.surface_type = type;
  surface.texture_refs = brackwater::dat::TextureRefs{surface_texture_id, palette_id};
  return surface;
}

Bytes encode(const brackwater::dat::Surface& surface) {
  Bytes out;
  put_u32(out, surface.surface_type);
  if (surface.texture_refs) {
    put_u32(out, surface.texture_refs->orig_texture_id);
    put_u32(out, surface.texture_refs->orig_palette_id);
  }
  if (surface.color_value) put_u32(out, *surface.color_value);
  put_u32(out, surface.translucency);
  put_u32(out, surface.luminosity);
  put_u32(out, surface.diffuse);
  return out;
}

Bytes encode(const brackwater::dat::SurfaceTexture& surface_texture) {
  Bytes out;
  put_u32(out, surface_texture.id);
  put_u32(out, surface_texture.unknown_int);
  put_u8(out, surface_texture.unknown_byte);
  put_u32_list(out, surface_texture.textures);
  return out;
}

Bytes encode(const brackwater::dat::Palette& palette) {
  Bytes out;
  put_u32(out, palette.id);
  put_u32_list(out, palette.colors);
  return out;
}

Bytes encode(const brackwater::dat::Texture& texture) {
  Bytes out;
  put_u32(out, texture.id);
  put_u32(out, texture.unknown);
  put_i32(out, texture.width);
  put_i32(out, texture.height);
  put_u32(out, texture.format_raw);
  put_i32(out, texture.length);
  out.insert(out.end(), texture.source_data.begin(), texture.source_data.end());
  if (texture.default_palette_id) put_u32(out, *texture.default_palette_id);
  return out;
}

}  // namespace portal_fixture
