#pragma once

#include <cstdint>
#include <optional>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"

namespace portal_fixture {

// Records as the archives for tests, samples and seeds build them.
//
// A Texture of `kind`, `width` x `height`, holding `pixels` as its source
// data (its length theirs) and naming `palette_id` as its default palette.
brackwater::dat::Texture texture(brackwater::dat::PixelFormat::Kind kind, std::int32_t width,
                                 std::int32_t height, brackwater::dat::Bytes pixels,
                                 std::optional<std::uint32_t> palette_id = std::nullopt,
                                 std::uint32_t id = 0);
// A solid Surface (type 0x1) of `color_word`.
brackwater::dat::Surface solid_surface(std::uint32_t color_word);
// A textured Surface naming its SurfaceTexture and palette (0: none), of
// type 0x2 unless `type` names another with a textured bit.
brackwater::dat::Surface textured_surface(std::uint32_t surface_texture_id,
                                          std::uint32_t palette_id = 0, std::uint32_t type = 0x2);

// The stored bytes of a record, field by field as given: whichever of a
// Surface's texture_refs and color_value is present is written (its type word
// is not consulted), a Texture's length is written as given whatever the size
// of its pixel bytes, and its palette id when present. For well-formed records
// unpack(encode(x)) == x.
brackwater::dat::Bytes encode(const brackwater::dat::Surface& surface);
brackwater::dat::Bytes encode(const brackwater::dat::SurfaceTexture& surface_texture);
brackwater::dat::Bytes encode(const brackwater::dat::Palette& palette);
brackwater::dat::Bytes encode(const brackwater::dat::Texture& texture);

}  // namespace portal_fixture
