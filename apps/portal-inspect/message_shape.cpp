#include "message_shape.hpp"

#include <algorithm>
#include <cctype>

namespace brackwater::inspect {
namespace {

// How ids are written: eight upper-case hex digits (the library's file ids).
constexpr std::size_t kIdDigits = 8;

bool is_word_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool is_upper_hex(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0 || (c >= 'A' && c <= 'F');
}

bool is_hex(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// A word that names a record or a place: "0x1c", "0x04000F00", "0500000A".
bool is_masked_number(std::string_view word) {
  if (word.size() > 2 && (word.starts_with("0x") || word.starts_with("0X"))) {
    return std::ranges::all_of(word.substr(2), is_hex);
  }
  return word.size() == kIdDigits && std::ranges::all_of(word, is_upper_hex);
}

}  // namespace

std::string message_shape(std::string_view message) {
  std::string shape;
  std::string_view previous_word;
  std::size_t i = 0;
  while (i < message.size()) {
    if (!is_word_char(message[i])) {
      shape += message[i++];
      continue;
    }
    const std::size_t start = i;
    while (i < message.size() && is_word_char(message[i])) ++i;
    const std::string_view word = message.substr(start, i - start);
    if (!is_masked_number(word)) {
      shape += word;
    } else if (previous_word == "offset" || previous_word == "at") {
      shape += "{offset}";
    } else {
      shape += "{id}";
    }
    previous_word = word;
  }
  return shape;
}

}  // namespace brackwater::inspect
