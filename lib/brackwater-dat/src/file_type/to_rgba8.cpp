#include "brackwater/dat/file_type/texture.hpp"

#include <array>
#include <cstddef>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "brackwater/dat/file_type/dxt.hpp"

namespace brackwater::dat {
namespace {

using Result = std::expected<Bytes, TextureDecodeError>;
using Rgba = std::array<std::uint8_t, 4>;
using DxtDecoder = Bytes (*)(ByteSpan, std::uint32_t, std::uint32_t);

std::unexpected<TextureDecodeError> fail(TextureDecodeError::Payload payload) {
  return std::unexpected(TextureDecodeError(std::move(payload)));
}

std::optional<std::uint64_t> checked_mul(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) return std::nullopt;
  return a * b;
}

// Sign extension makes a negative dimension huge (-1 becomes 2^64 - 1), so
// the pixel count overflows unless the other dimension is 0 or 1.
std::uint64_t widen(std::int32_t dimension) {
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(dimension));
}

// Whether `source` holds `pixels` pixels of `stride` bytes each. A byte count
// past 64 bits is never held, so a wrapped product cannot pass.
bool holds(ByteSpan source, std::uint64_t pixels, std::uint64_t stride) {
  const std::optional<std::uint64_t> required = checked_mul(pixels, stride);
  return required && source.size() >= *required;
}

// Pixels of kStride bytes, each converted on its own by `to_rgba`.
template <std::size_t kStride, class ToRgba>
Result convert_direct(ByteSpan source, std::uint64_t pixels, ToRgba to_rgba) {
  if (!holds(source, pixels, kStride)) return fail(TextureDecodeError::ShortRead{});
  const auto count = static_cast<std::size_t>(pixels);  // bounded by the source length
  Bytes out(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    const Rgba rgba = to_rgba(source.data() + i * kStride);
    std::memcpy(out.data() + i * 4, rgba.data(), 4);
  }
  return out;
}

// Pixels of kStride-byte palette indices. The palette is fetched before the
// length check; its ARGB colour words become R, G, B, A with alpha kept.
template <std::size_t kStride, class ReadIndex>
Result convert_paletted(const Texture& texture, std::uint64_t pixels,
                        const PaletteFetcher& fetch_palette, ReadIndex read_index) {
  if (!texture.default_palette_id) return fail(TextureDecodeError::MissingPaletteId{});
  auto palette = fetch_palette(*texture.default_palette_id);
  if (!palette) return fail(std::move(palette.error()));
  const ByteSpan source = texture.source_data;
  if (!holds(source, pixels, kStride)) return fail(TextureDecodeError::ShortRead{});

  const std::vector<std::uint32_t>& colors = palette->colors;
  const auto count = static_cast<std::size_t>(pixels);  // bounded by the source length
  Bytes out(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t index = read_index(source.data() + i * kStride);
    if (index >= colors.size()) return fail(TextureDecodeError::PaletteIndexOutOfRange{});
    const std::uint32_t argb = colors[index];
    std::uint8_t* pixel = out.data() + i * 4;
    pixel[0] = static_cast<std::uint8_t>(argb >> 16);
    pixel[1] = static_cast<std::uint8_t>(argb >> 8);
    pixel[2] = static_cast<std::uint8_t>(argb);
    pixel[3] = static_cast<std::uint8_t>(argb >> 24);
  }
  return out;
}

// Block data does not bound the output, so the size is capped instead.
Result convert_dxt(DxtDecoder decode, const Texture& texture, std::uint64_t pixels) {
  if (pixels > kMaxDxtPixels) return fail(TextureDecodeError::DimensionOverflow{});
  return decode(texture.source_data, static_cast<std::uint32_t>(texture.width),
                static_cast<std::uint32_t>(texture.height));
}

// Bytes per pixel of the formats stored raw or as palette indices; 0 for
// the rest.
std::uint64_t raw_stride(PixelFormat::Kind kind) {
  using Kind = PixelFormat::Kind;
  switch (kind) {
    case Kind::A8:
    case Kind::CustomLscapeAlpha:
    case Kind::P8:
      return 1;
    case Kind::Index16:
      return 2;
    case Kind::R8G8B8:
    case Kind::CustomLscapeR8G8B8:
      return 3;
    case Kind::A8R8G8B8:
      return 4;
    default:
      return 0;
  }
}

bool is_dxt(PixelFormat::Kind kind) {
  using Kind = PixelFormat::Kind;
  return kind == Kind::Dxt1 || kind == Kind::Dxt3 || kind == Kind::Dxt5;
}

}  // namespace

std::uint64_t rgba8_bytes(const Texture& texture) {
  const std::optional<std::uint64_t> pixels =
      checked_mul(widen(texture.width), widen(texture.height));
  if (!pixels) return 0;
  const PixelFormat::Kind kind = texture.format().kind();
  if (is_dxt(kind)) return *pixels > kMaxDxtPixels ? 0 : *pixels * 4;
  const std::uint64_t stride = raw_stride(kind);
  if (stride == 0 || !holds(texture.source_data, *pixels, stride)) return 0;
  return *pixels * 4;
}

std::expected<Bytes, TextureDecodeError> to_rgba8(const Texture& texture,
                                                  const PaletteFetcher& fetch_palette) {
  const std::optional<std::uint64_t> pixels =
      checked_mul(widen(texture.width), widen(texture.height));
  if (!pixels) return fail(TextureDecodeError::DimensionOverflow{});

  const ByteSpan source = texture.source_data;
  const PixelFormat format = texture.format();
  using Kind = PixelFormat::Kind;
  switch (format.kind()) {
    case Kind::R8G8B8:  // B, G, R
      return convert_direct<3>(source, *pixels, [](const std::uint8_t* b) {
        return Rgba{b[2], b[1], b[0], 255};
      });
    case Kind::CustomLscapeR8G8B8:  // R, G, B
      return convert_direct<3>(source, *pixels, [](const std::uint8_t* b) {
        return Rgba{b[0], b[1], b[2], 255};
      });
    case Kind::A8R8G8B8:  // B, G, R, A
      return convert_direct<4>(source, *pixels, [](const std::uint8_t* b) {
        return Rgba{b[2], b[1], b[0], b[3]};
      });
    case Kind::A8:
    case Kind::CustomLscapeAlpha:  // opaque grey
      return convert_direct<1>(source, *pixels, [](const std::uint8_t* b) {
        return Rgba{b[0], b[0], b[0], 255};
      });
    case Kind::P8:
      return convert_paletted<1>(texture, *pixels, fetch_palette,
                                 [](const std::uint8_t* b) { return std::size_t{b[0]}; });
    case Kind::Index16:  // little-endian
      return convert_paletted<2>(texture, *pixels, fetch_palette, [](const std::uint8_t* b) {
        return std::size_t{b[0]} | std::size_t{b[1]} << 8;
      });
    case Kind::Dxt1:
      return convert_dxt(decompress_dxt1, texture, *pixels);
    case Kind::Dxt3:
      return convert_dxt(decompress_dxt3, texture, *pixels);
    case Kind::Dxt5:
      return convert_dxt(decompress_dxt5, texture, *pixels);
    case Kind::Unknown:
    case Kind::R5G6B5:
    case Kind::A4R4G4B4:
    case Kind::Other:
      break;
  }
  return fail(TextureDecodeError::UnsupportedFormat{format});
}

}  // namespace brackwater::dat
