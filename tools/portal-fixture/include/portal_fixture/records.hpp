#pragma once

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"

namespace portal_fixture {

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
