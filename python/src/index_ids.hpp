#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "brackwater/dat/file_index.hpp"

namespace brackwater::python {

// The ids of `index`, ascending; with `top_byte`, only those whose most
// significant byte it is.
std::vector<std::uint32_t> index_ids(const dat::FileIndex& index,
                                     std::optional<std::uint8_t> top_byte);

}  // namespace brackwater::python
