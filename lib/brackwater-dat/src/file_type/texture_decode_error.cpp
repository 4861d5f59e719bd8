#include "brackwater/dat/file_type/texture_decode_error.hpp"

#include <cstdio>
#include "../overloaded.hpp"

namespace brackwater::dat {
namespace {

// A string as a double-quoted literal with quotes, backslashes and control
// characters escaped.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u{%x}", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

}  // namespace

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
          [](const PaletteFetch& e) { return "palette fetch failed: " + e.message; },
      },
      payload_);
}

std::string TextureDecodeError::debug() const {
  return std::visit(
      Overloaded{
          [](const UnsupportedFormat& e) {
            return "UnsupportedFormat(" + e.format.to_string() + ")";
          },
          [](const ShortRead&) -> std::string { return "ShortRead"; },
          [](const DimensionOverflow&) -> std::string { return "DimensionOverflow"; },
          [](const MissingPaletteId&) -> std::string { return "MissingPaletteId"; },
          [](const PaletteIndexOutOfRange&) -> std::string { return "PaletteIndexOutOfRange"; },
          [](const PaletteFetch& e) { return "PaletteFetch(" + quoted(e.message) + ")"; },
      },
      payload_);
}

}  // namespace brackwater::dat
