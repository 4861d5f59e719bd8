#pragma once

#include <cstddef>
#include <string>

namespace test_support {

// `text` with every line after the first moved right by `columns` spaces, as
// an error chain sets a multi-line cause in its column.
inline std::string indent_following_lines(const std::string& text, std::size_t columns) {
  std::string out;
  for (const char c : text) {
    out += c;
    if (c == '\n') out.append(columns, ' ');
  }
  return out;
}

}  // namespace test_support
