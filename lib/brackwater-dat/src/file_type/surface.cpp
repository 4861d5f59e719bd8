#include "brackwater/dat/file_type/surface.hpp"

#include "../try.hpp"
#include "brackwater/dat/field_reader.hpp"

namespace brackwater::dat {
namespace {

// Two file ids: the SurfaceTexture, then the Palette.
std::expected<TextureRefs, ReadError> read_texture_refs(FieldReader& in) {
  TextureRefs refs;
  TRY_ASSIGN(refs.orig_texture_id, in.u32("orig_texture_id"));
  TRY_ASSIGN(refs.orig_palette_id, in.u32("orig_palette_id"));
  return refs;
}

}  // namespace

// A type word, then either texture references or one colour word, then three
// words carried along.
std::expected<Surface, ReadError> Surface::unpack(ByteSpan bytes) {
  FieldReader in{bytes, "Surface"};
  Surface s;
  TRY_ASSIGN(s.surface_type, in.u32("surface_type"));
  if ((s.surface_type & kTexturedMask) != 0) {
    TRY_ASSIGN(s.texture_refs, in.nested("texture_refs", "TextureRefs", read_texture_refs));
  } else {
    TRY_ASSIGN(s.color_value, in.u32("color_value"));
  }
  TRY_ASSIGN(s.translucency, in.u32("translucency"));
  TRY_ASSIGN(s.luminosity, in.u32("luminosity"));
  TRY_ASSIGN(s.diffuse, in.u32("diffuse"));
  return s;
}

}  // namespace brackwater::dat
