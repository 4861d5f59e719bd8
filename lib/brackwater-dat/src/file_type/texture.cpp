#include "brackwater/dat/file_type/texture.hpp"

#include "../try.hpp"
#include "brackwater/dat/field_reader.hpp"

namespace brackwater::dat {

// Six words (the last the byte count of the pixels), the pixel bytes, then a
// palette id for the paletted formats only.
std::expected<Texture, DatError> Texture::unpack(ByteSpan bytes) {
  FieldReader in{bytes, "Texture"};
  Texture t;
  TRY_ASSIGN(t.id, in.u32("id"));
  TRY_ASSIGN(t.unknown, in.u32("_unknown"));
  TRY_ASSIGN(t.width, in.i32("width"));
  TRY_ASSIGN(t.height, in.i32("height"));
  TRY_ASSIGN(t.format_raw, in.u32("format_raw"));
  TRY_ASSIGN(t.length, in.i32("length"));
  if (t.length < 0) {
    // A byte count that cannot be a size: reported where the pixels would begin, with no frame.
    return std::unexpected(
        ReadError(AssertionFailure::count_out_of_range(t.length, in.position())));
  }
  TRY_ASSIGN(t.source_data, in.bytes("source_data", static_cast<std::size_t>(t.length)));
  if (t.format().paletted()) {
    TRY_ASSIGN(t.default_palette_id, in.u32("default_palette_id"));
  }
  return t;
}

}  // namespace brackwater::dat
