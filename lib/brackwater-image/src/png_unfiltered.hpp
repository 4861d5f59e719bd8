#pragma once

#include <expected>
#include <string>

#include "brackwater/image/png.hpp"

namespace brackwater::image {

// `image` as a PNG file whose rows are stored unfiltered, deflated at `level`
// (0 to 9, as zlib counts) by libdeflate in one pass over the whole image.
std::expected<dat::Bytes, std::string> encode_unfiltered_png(const RgbaImage& image, int level);

}  // namespace brackwater::image
