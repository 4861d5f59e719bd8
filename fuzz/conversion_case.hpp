#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/texture.hpp"

namespace brackwater::fuzz {

// A texture to convert and the palette the fetcher hands out, laid out as
// the to_rgba8 target reads its input (missing bytes read as 0):
//    0  i32 width, i32 height, u32 format code
//   12  u8 options: bit 0 the texture names a default palette, bit 1 the fetcher fails
//   13  u32 default palette id
//   17  u16 colour count, then that many u32 colour words
//       the texture's pixel bytes: everything after the colours
struct ConversionCase {
  dat::Texture texture;
  dat::Palette palette;
  bool fetch_fails = false;
};

namespace detail {

class Cursor {
 public:
  explicit Cursor(dat::ByteSpan bytes) : bytes_(bytes) {}

  std::uint32_t next(std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < width; ++k) {
      if (pos_ < bytes_.size()) value |= std::uint32_t{bytes_[pos_]} << (8 * k);
      ++pos_;
    }
    return value;
  }
  dat::ByteSpan rest() const { return bytes_.subspan(std::min(pos_, bytes_.size())); }

 private:
  dat::ByteSpan bytes_;
  std::size_t pos_ = 0;
};

inline void put(dat::Bytes& out, std::uint32_t value, std::size_t width) {
  for (std::size_t k = 0; k < width; ++k)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

}  // namespace detail

inline ConversionCase read_case(dat::ByteSpan input) {
  detail::Cursor in(input);
  ConversionCase c;
  c.texture.width = static_cast<std::int32_t>(in.next(4));
  c.texture.height = static_cast<std::int32_t>(in.next(4));
  c.texture.format_raw = in.next(4);
  const std::uint32_t options = in.next(1);
  const std::uint32_t palette_id = in.next(4);
  if ((options & 1) != 0) c.texture.default_palette_id = palette_id;
  c.fetch_fails = (options & 2) != 0;
  const std::uint32_t colors = in.next(2);
  for (std::uint32_t k = 0; k < colors && !in.rest().empty(); ++k) {
    c.palette.colors.push_back(in.next(4));
  }
  const dat::ByteSpan pixels = in.rest();
  c.texture.source_data.assign(pixels.begin(), pixels.end());
  c.texture.length = static_cast<std::int32_t>(pixels.size());
  return c;
}

inline dat::Bytes write_case(const ConversionCase& c) {
  dat::Bytes out;
  detail::put(out, static_cast<std::uint32_t>(c.texture.width), 4);
  detail::put(out, static_cast<std::uint32_t>(c.texture.height), 4);
  detail::put(out, c.texture.format_raw, 4);
  detail::put(out, (c.texture.default_palette_id ? 1u : 0u) | (c.fetch_fails ? 2u : 0u), 1);
  detail::put(out, c.texture.default_palette_id.value_or(0), 4);
  detail::put(out, static_cast<std::uint32_t>(c.palette.colors.size()), 2);
  for (const std::uint32_t color : c.palette.colors) detail::put(out, color, 4);
  out.insert(out.end(), c.texture.source_data.begin(), c.texture.source_data.end());
  return out;
}

}  // namespace brackwater::fuzz
