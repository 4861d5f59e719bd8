#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <optional>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/error.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/pixel_format.hpp"
#include "brackwater/dat/file_type/texture_decode_error.hpp"

namespace brackwater::dat {

// One stored image: size, format code, pixel bytes and, for the paletted
// formats, the id of its default palette.
struct Texture {
  std::uint32_t id = 0;
  std::uint32_t unknown = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t format_raw = 0;
  std::int32_t length = 0;
  Bytes source_data;
  std::optional<std::uint32_t> default_palette_id;  // only for P8 and Index16

  PixelFormat format() const { return PixelFormat::from_code(format_raw); }

  static std::expected<Texture, DatError> unpack(ByteSpan bytes);

  friend bool operator==(const Texture&, const Texture&) = default;
};

// Given a palette id, the Palette to colour a paletted texture, or why it
// could not be had (see TextureDecodeError::PaletteFetch).
using PaletteFetcher =
    std::function<std::expected<Palette, TextureDecodeError::PaletteFetch>(std::uint32_t)>;

// The largest DXT texture to_rgba8 decodes, in pixels: 4096 x 4096, a 64 MiB
// output. Block data does not bound a DXT output the way raw pixel bytes do,
// so a damaged size (a negative width reads as nearly 2^64) would otherwise
// ask for gigabytes. Real textures are at most 2048 x 2048.
inline constexpr std::uint64_t kMaxDxtPixels = std::uint64_t{1} << 24;

// The texture as 8-bit RGBA, width * height * 4 bytes, rows in stored order.
// The fetcher is called at most once, for P8 and Index16 only, with the
// texture's default palette id. DXT textures above kMaxDxtPixels are refused
// with DimensionOverflow.
std::expected<Bytes, TextureDecodeError> to_rgba8(const Texture& texture,
                                                  const PaletteFetcher& fetch_palette);

// The bytes of image to_rgba8 would make of `texture`: width * height * 4, or
// 0 where it refuses before making any (a format it cannot convert, sizes it
// refuses, raw pixels the source does not hold). Lets a caller charge a
// decode before paying for it.
std::uint64_t rgba8_bytes(const Texture& texture);

}  // namespace brackwater::dat
