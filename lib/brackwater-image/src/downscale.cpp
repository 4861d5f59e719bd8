#include "brackwater/image/downscale.hpp"

#include <algorithm>
#include <array>

namespace brackwater::image {

RgbaImage shrink_to_fit(RgbaImage image, std::uint32_t side) {
  const std::uint32_t longest = std::max(image.width, image.height);
  if (side == 0 || longest <= side) return image;
  const std::uint32_t factor = (longest + side - 1) / side;
  RgbaImage out{(image.width + factor - 1) / factor, (image.height + factor - 1) / factor, {}};
  out.pixels.reserve(std::size_t{out.width} * out.height * 4);
  for (std::uint32_t oy = 0; oy < out.height; ++oy) {
    for (std::uint32_t ox = 0; ox < out.width; ++ox) {
      std::array<std::uint64_t, 4> sums{};
      const std::uint32_t x_end = std::min(image.width, (ox + 1) * factor);
      const std::uint32_t y_end = std::min(image.height, (oy + 1) * factor);
      for (std::uint32_t y = oy * factor; y < y_end; ++y) {
        for (std::uint32_t x = ox * factor; x < x_end; ++x) {
          const std::uint8_t* pixel = &image.pixels[(std::size_t{y} * image.width + x) * 4];
          for (std::size_t c = 0; c < 4; ++c) sums[c] += pixel[c];
        }
      }
      const std::uint64_t count = std::uint64_t{x_end - ox * factor} * (y_end - oy * factor);
      for (const std::uint64_t sum : sums)
        out.pixels.push_back(static_cast<std::uint8_t>(sum / count));
    }
  }
  return out;
}

}  // namespace brackwater::image
