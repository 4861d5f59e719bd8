#include "brackwater/dat/file_type/texture_decode_error.hpp"

#include "brackwater/dat/display.hpp"
#include "../overloaded.hpp"

namespace brackwater::dat {

std::string TextureDecodeError::PaletteFetch::reason() const {
  return "0x" + hex8(palette_id) + ": " +
         std::visit([](const auto& error) { return error.message(); }, cause);
}

std::string TextureDecodeError::message() const {
  return std::visit(
      Overloaded{
          [](const UnsupportedFormat& e) {
            return "unsupported pixel format: " + e.format.to_string();
          },
          [](const ShortRead&) -> std::string {
            return "source_data too short for declared width/height";
          },
          [](const DimensionOverflow&) -> std::string { return "width * height overflowed usize"; },
          [](const MissingPaletteId&) -> std::string {
            return "palettized format but no DefaultPaletteId in header";
          },
          [](const PaletteIndexOutOfRange&) -> std::string {
            return "pixel index out of palette range";
          },
          [](const PaletteFetch& e) { return "palette fetch failed: " + e.reason(); },
      },
      payload_);
}

}  // namespace brackwater::dat
