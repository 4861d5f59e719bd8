#include "png.hpp"

#include <png.h>

#include "file_io.hpp"

namespace brackwater::inspect {

// libpng's simplified API keeps its error state in the image, so no longjmp
// crosses C++ frames; it frees its own state before returning.
std::expected<dat::Bytes, std::string> encode_png(const RgbaImage& image) {
  if (image.width == 0 || image.height == 0) return std::unexpected("the image is empty");
  if (image.pixels.size() != std::uint64_t{image.width} * image.height * 4) {
    return std::unexpected("the pixel buffer does not match the image size");
  }
  png_image header{};
  header.version = PNG_IMAGE_VERSION;
  header.width = image.width;
  header.height = image.height;
  header.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  // A first pass without a buffer only measures.
  if (!png_image_write_to_memory(&header, nullptr, &size, 0, image.pixels.data(), 0, nullptr)) {
    return std::unexpected(std::string(header.message));
  }
  dat::Bytes encoded(size);
  if (!png_image_write_to_memory(&header, encoded.data(), &size, 0, image.pixels.data(), 0,
                                 nullptr)) {
    return std::unexpected(std::string(header.message));
  }
  encoded.resize(size);
  return encoded;
}

std::expected<void, std::string> write_png(const std::filesystem::path& path,
                                           const RgbaImage& image,
                                           std::span<const tools::InputFile> inputs) {
  auto encoded = encode_png(image);
  if (!encoded) return std::unexpected("encode PNG: " + encoded.error());
  return write_output(path, *encoded, inputs);
}

}  // namespace brackwater::inspect
