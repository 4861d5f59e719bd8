#include "brackwater/cli/right_aligned.hpp"

namespace brackwater::cli {

std::string right_aligned(std::string_view text, std::size_t width) {
  std::string out(width > text.size() ? width - text.size() : 0, ' ');
  return out.append(text);
}

}  // namespace brackwater::cli
