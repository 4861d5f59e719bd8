#include "brackwater/dat/file_type/surface_texture.hpp"

#include "../try.hpp"
#include "brackwater/dat/field_reader.hpp"

namespace brackwater::dat {

// id, a word, a single byte, then a counted list of Texture ids; the count
// sits unaligned at offset 9.
std::expected<SurfaceTexture, ReadError> SurfaceTexture::unpack(ByteSpan bytes) {
  FieldReader in{bytes, "SurfaceTexture"};
  SurfaceTexture st;
  TRY_ASSIGN(st.id, in.u32("id"));
  TRY_ASSIGN(st.unknown_int, in.u32("unknown_int"));
  TRY_ASSIGN(st.unknown_byte, in.u8("unknown_byte"));
  TRY_ASSIGN(st.textures, in.u32_list("textures"));
  return st;
}

}  // namespace brackwater::dat
