#include "brackwater/image/downscale.hpp"

#include <gtest/gtest.h>

namespace brackwater::inspect {
namespace {

// A grey image whose pixel (x, y) holds 10 * x + y in every channel.
image::RgbaImage ramp(std::uint32_t width, std::uint32_t height) {
  image::RgbaImage image{width, height, {}};
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      image.pixels.insert(image.pixels.end(), 4, static_cast<std::uint8_t>(10 * x + y));
    }
  }
  return image;
}

TEST(ShrinkToFit, ShrinksByWholeFactorsAveragingEachBlock) {
  struct Case {
    std::uint32_t width, height, side;
    std::uint32_t want_width, want_height;
    std::vector<std::uint8_t> want_grey;  // channel 0 of each pixel, row by row
  };
  const Case cases[] = {
      // Fits already: unchanged.
      {2, 2, 2, 2, 2, {0, 10, 1, 11}},
      // 4 x 2 by 2: blocks (0,10,1,11) and (20,30,21,31).
      {4, 2, 2, 2, 1, {5, 25}},
      // 5 x 1 to 2 takes factor 3; the last block is cut short at the edge:
      // (0,10,20) and (30,40).
      {5, 1, 2, 2, 1, {10, 35}},
      // The longer side sets the factor for both, keeping texels square.
      {1, 4, 2, 1, 2, {0, 2}},
  };
  for (const Case& c : cases) {
    const image::RgbaImage out = image::shrink_to_fit(ramp(c.width, c.height), c.side);
    ASSERT_EQ(out.width, c.want_width) << c.width << "x" << c.height;
    ASSERT_EQ(out.height, c.want_height) << c.width << "x" << c.height;
    ASSERT_EQ(out.pixels.size(), std::size_t{out.width} * out.height * 4);
    for (std::size_t i = 0; i < c.want_grey.size(); ++i) {
      EXPECT_EQ(out.pixels[i * 4], c.want_grey[i]) << c.width << "x" << c.height << " pixel " << i;
      EXPECT_EQ(out.pixels[i * 4 + 3], c.want_grey[i]);
    }
  }
}

}  // namespace
}  // namespace brackwater::inspect
