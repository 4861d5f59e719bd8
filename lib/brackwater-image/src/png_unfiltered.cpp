#include "png_unfiltered.hpp"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

namespace brackwater::image {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// What a chunk adds around its data: length, type and CRC.
constexpr std::size_t kChunkFrame = 12;
// A chunk's length field holds at most 2^31 - 1.
constexpr std::size_t kMaxChunkData = std::size_t{1} << 30;
constexpr std::uint8_t kBitDepth = 8;
constexpr std::uint8_t kColorTypeRgba = 6;
constexpr std::uint8_t kFilterNone = 0;

struct CompressorDeleter {
  void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

std::uint8_t* put_u32_be(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 24);
  at[1] = static_cast<std::uint8_t>(value >> 16);
  at[2] = static_cast<std::uint8_t>(value >> 8);
  at[3] = static_cast<std::uint8_t>(value);
  return at + 4;
}

// Frames the `length` bytes of data already at `at` + 8 as a chunk of `type`;
// returns where the next chunk starts.
std::uint8_t* frame_chunk(std::uint8_t* at, std::string_view type, std::size_t length) {
  put_u32_be(at, static_cast<std::uint32_t>(length));
  std::memcpy(at + 4, type.data(), 4);
  const std::uint32_t crc = libdeflate_crc32(0, at + 4, 4 + length);
  return put_u32_be(at + 8 + length, crc);
}

}  // namespace

std::expected<dat::Bytes, std::string> encode_unfiltered_png(const RgbaImage& image, int level) {
  const Compressor compressor(libdeflate_alloc_compressor(std::clamp(level, 0, 9)));
  if (!compressor) return std::unexpected("out of memory");
  const std::size_t stride = std::size_t{image.width} * 4;
  try {
    // Each row behind its filter-type byte, as the IDAT data holds them.
    dat::Bytes rows(image.height * (1 + stride));
    for (std::size_t y = 0; y < image.height; ++y) {
      rows[y * (1 + stride)] = kFilterNone;
      std::memcpy(&rows[y * (1 + stride) + 1], image.pixels.data() + y * stride, stride);
    }
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor.get(), rows.size());
    dat::Bytes deflated(bound);
    const std::size_t size = libdeflate_zlib_compress(compressor.get(), rows.data(), rows.size(),
                                                      deflated.data(), deflated.size());
    if (size == 0) return std::unexpected("the compressed image does not fit its bound");

    const std::size_t idat_chunks = (size + kMaxChunkData - 1) / kMaxChunkData;
    dat::Bytes png(kSignature.size() + 3 * kChunkFrame + 13 + (idat_chunks - 1) * kChunkFrame + size);
    std::uint8_t* at = std::copy(kSignature.begin(), kSignature.end(), png.data());
    std::uint8_t* header = put_u32_be(put_u32_be(at + 8, image.width), image.height);
    *header++ = kBitDepth;
    *header++ = kColorTypeRgba;
    *header++ = 0;  // deflate
    *header++ = 0;  // the one filter method
    *header = 0;    // not interlaced
    at = frame_chunk(at, "IHDR", 13);
    for (std::size_t done = 0; done < size; done += kMaxChunkData) {
      const std::size_t part = std::min(size - done, kMaxChunkData);
      std::memcpy(at + 8, deflated.data() + done, part);
      at = frame_chunk(at, "IDAT", part);
    }
    frame_chunk(at, "IEND", 0);
    return png;
  } catch (const std::bad_alloc&) {
    return std::unexpected("out of memory");
  }
}

}  // namespace brackwater::image
