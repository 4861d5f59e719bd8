#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brackwater::cli {

// `text` padded on the left with spaces to `width` columns; never cut.
std::string right_aligned(std::string_view text, std::size_t width);

}  // namespace brackwater::cli
