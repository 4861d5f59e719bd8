#pragma once

#include <png.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "brackwater/dat/bytes.hpp"

namespace test_support {

using Rgba = std::array<std::uint8_t, 4>;

// A PNG file read back as 8-bit RGBA.
struct PngImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  brackwater::dat::Bytes rgba;

  Rgba at(std::uint32_t x, std::uint32_t y) const {
    const std::size_t i = (std::size_t{y} * width + x) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
  }
};

inline std::optional<PngImage> read_png(const std::filesystem::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
  image.format = PNG_FORMAT_RGBA;
  PngImage png{image.width, image.height, brackwater::dat::Bytes(PNG_IMAGE_SIZE(image))};
  if (!png_image_finish_read(&image, nullptr, png.rgba.data(), 0, nullptr)) return std::nullopt;
  return png;
}

}  // namespace test_support
