#include "brackwater/image/png.hpp"

#include <png.h>

#include <array>
#include <cstdio>
#include <new>

#include "png_unfiltered.hpp"

namespace brackwater::image {
namespace {

// Where libpng's output and its error message go. The message is a fixed
// buffer: the error callback must not throw across libpng's C frames.
struct PngSink {
  dat::Bytes bytes;
  std::array<char, 160> error{};
};

void append(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  bool grown = true;
  try {
    sink->bytes.insert(sink->bytes.end(), data, data + length);
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  if (!grown) png_error(png, "out of memory");
}

void flush_nothing(png_structp) {}

[[noreturn]] void on_error(png_structp png, png_const_charp message) {
  auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
  std::snprintf(sink->error.data(), sink->error.size(), "%s", message);
  png_longjmp(png, 1);
}

void ignore_warning(png_structp, png_const_charp) {}

// Only trivially destructible objects live in this frame, so the longjmp of
// a libpng error skips no destructor.
bool write_image(png_structp png, png_infop info, const RgbaImage& image,
                 const PngSettings& settings) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, settings.level);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, settings.filters);
  png_write_info(png, info);
  const std::size_t stride = std::size_t{image.width} * 4;
  for (std::uint32_t y = 0; y < image.height; ++y) {
    png_write_row(png, image.pixels.data() + y * stride);
  }
  png_write_end(png, info);
  return true;
}

}  // namespace

std::expected<dat::Bytes, std::string> encode_png(const RgbaImage& image,
                                                  const PngSettings& settings) {
  if (image.width == 0 || image.height == 0) return std::unexpected("the image is empty");
  if (image.pixels.size() != std::uint64_t{image.width} * image.height * 4) {
    return std::unexpected("the pixel buffer does not match the image size");
  }
  // Rows without filters need nothing of libpng but its format: one deflate
  // pass over the whole image does the work at about twice zlib's speed.
  if (settings.filters == PNG_FILTER_NONE) return encode_unfiltered_png(image, settings.level);
  PngSink sink;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, on_error, ignore_warning);
  if (png == nullptr) return std::unexpected("out of memory");
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return std::unexpected("out of memory");
  }
  png_set_write_fn(png, &sink, append, flush_nothing);
  const bool written = write_image(png, info, image, settings);
  png_destroy_write_struct(&png, &info);
  if (!written) return std::unexpected(std::string(sink.error.data()));
  return std::move(sink.bytes);
}

}  // namespace brackwater::image
