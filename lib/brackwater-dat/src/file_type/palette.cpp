#include "brackwater/dat/file_type/palette.hpp"

#include "../try.hpp"
#include "brackwater/dat/field_reader.hpp"

namespace brackwater::dat {

// id, then a counted list of colour words.
std::expected<Palette, ReadError> Palette::unpack(ByteSpan bytes) {
  FieldReader in{bytes, "Palette"};
  Palette p;
  TRY_ASSIGN(p.id, in.u32("id"));
  TRY_ASSIGN(p.colors, in.u32_list("colors"));
  return p;
}

}  // namespace brackwater::dat
