#include "brackwater/image/png.hpp"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <optional>
#include <string>

namespace brackwater::image {
namespace {

RgbaImage pattern(std::uint32_t width, std::uint32_t height) {
  RgbaImage image{width, height, dat::Bytes(std::size_t{width} * height * 4)};
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    image.pixels[i] = static_cast<std::uint8_t>(i * 37 / 5 + i / 11);
  }
  return image;
}

// The file's pixels as libpng reads them back, checksums and all.
std::optional<RgbaImage> decode(const dat::Bytes& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return std::nullopt;
  image.format = PNG_FORMAT_RGBA;
  RgbaImage out{image.width, image.height, dat::Bytes(PNG_IMAGE_SIZE(image))};
  if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) return std::nullopt;
  return out;
}

// Unfiltered rows (the default) and libpng's filtered ones read back alike,
// at the sizes of edge tiles and thumbnails and at every level.
TEST(EncodePng, EveryLevelAndFilterReadsBackTheSamePixels) {
  for (const auto& [width, height] : {std::pair{1u, 1u}, {3u, 5u}, {64u, 17u}, {300u, 2u}}) {
    const RgbaImage image = pattern(width, height);
    for (const int level : {0, 1, 6, 9}) {
      for (const int filters : {PNG_FILTER_NONE, PNG_ALL_FILTERS}) {
        const std::string where = std::to_string(width) + "x" + std::to_string(height) +
                                  ", level " + std::to_string(level) + ", filters " +
                                  std::to_string(filters);
        const auto png = encode_png(image, {level, filters});
        ASSERT_TRUE(png) << where << ": " << png.error();
        const auto back = decode(*png);
        ASSERT_TRUE(back) << where;
        EXPECT_EQ(back->width, width) << where;
        EXPECT_EQ(back->height, height) << where;
        EXPECT_EQ(back->pixels, image.pixels) << where;
      }
    }
  }
}

TEST(EncodePng, RefusesAnEmptyOrMismatchedImage) {
  EXPECT_EQ(encode_png(RgbaImage{0, 4, {}}).error(), "the image is empty");
  EXPECT_EQ(encode_png(RgbaImage{2, 2, dat::Bytes(15)}).error(),
            "the pixel buffer does not match the image size");
}

}  // namespace
}  // namespace brackwater::image
