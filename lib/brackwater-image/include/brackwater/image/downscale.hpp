#pragma once

#include <cstdint>

#include "brackwater/image/png.hpp"

namespace brackwater::image {

// `image` shrunk by the smallest whole factor that brings both sides to at
// most `side`, each pixel the mean of the block it covers (blocks at the
// right and bottom edges may be cut short); a fitting image comes back as it
// is. Whole factors keep a texture's texels square.
RgbaImage shrink_to_fit(RgbaImage image, std::uint32_t side);

}  // namespace brackwater::image
