#include "inspect_error.hpp"

#include <algorithm>
#include <cstdio>
#include <type_traits>

#include "brackwater/survey/one_line.hpp"

namespace brackwater::inspect {
namespace {

std::string escape(const char* format, unsigned code) {
  char text[16];
  std::snprintf(text, sizeof text, format, code);
  return text;
}

// Whether `c` can follow a lead byte in a UTF-8 character.
bool continues(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The length of the UTF-8 character at `text[at]` by its lead byte, when the
// bytes it needs follow; 0 otherwise.
std::size_t character_length(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t length = lead < 0x80    ? 1
                             : lead < 0xC2  ? 0
                             : lead < 0xE0  ? 2
                             : lead < 0xF0  ? 3
                             : lead <= 0xF4 ? 4
                                            : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if (!continues(static_cast<unsigned char>(text[at + k]))) return 0;
  }
  return length;
}

}  // namespace

std::string InspectError::line() const {
  const std::string failure = std::visit(
      [](const auto& value) -> std::string {
        using Type = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Type, std::string>) {
          return value;
        } else if constexpr (std::is_same_v<Type, survey::SurveyError> ||
                             std::is_same_v<Type, dat::DatError>) {
          return survey::one_line(value);
        } else {
          return value.message();
        }
      },
      failure_);
  return context_.empty() ? failure : context_ + ": " + failure;
}

std::string terminal_safe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t length = character_length(text, at);
    const std::size_t taken = std::max<std::size_t>(length, 1);
    if (length == 1 && ((byte < 0x20 && byte != '\t') || byte == 0x7F)) {
      out += escape("\\x%02x", byte);
    } else if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
      // U+0080 to U+009F, the C1 controls.
      out += escape("\\u{%x}", static_cast<unsigned char>(text[at + 1]));
    } else if (length == 0 && byte < 0xA0) {
      // No part of a character: a terminal reading bytes as Latin-1 would
      // take it for a C1 control.
      out += escape("\\x%02x", byte);
    } else {
      out.append(text.substr(at, taken));
    }
    at += taken;
  }
  return out;
}

}  // namespace brackwater::inspect
