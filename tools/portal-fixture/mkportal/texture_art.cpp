#include "texture_art.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace mkportal {

std::uint64_t dxt_tiles(std::uint32_t width, std::uint32_t height) {
  return ((std::uint64_t{width} + 3) / 4) * ((std::uint64_t{height} + 3) / 4);
}

namespace {

void put_le(Bytes& out, std::uint64_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

using Colour = std::array<int, 3>;

Colour expand565(std::uint16_t c) {
  return {(c >> 11) * 255 / 31, (c >> 5 & 63) * 255 / 63, (c & 31) * 255 / 31};
}

int luminance(const std::uint8_t* p) {
  return 299 * p[0] + 587 * p[1] + 114 * p[2];
}

int distance(const Colour& a, const std::uint8_t* p) {
  int sum = 0;
  for (std::size_t c = 0; c < 3; ++c) sum += (a[c] - p[c]) * (a[c] - p[c]);
  return sum;
}

// The index of the entry of `entries` nearest `value` by `distance_to`.
template <class Entries, class Distance>
std::uint64_t nearest(const Entries& entries, Distance distance_to) {
  std::uint64_t best = 0;
  int best_distance = distance_to(entries[0]);
  for (std::uint64_t i = 1; i < entries.size(); ++i) {
    const int d = distance_to(entries[i]);
    if (d < best_distance) {
      best = i;
      best_distance = d;
    }
  }
  return best;
}

// The pixels of one 4 x 4 tile; those beyond the picture's edge repeat its
// first pixel, so they neither widen its range nor matter to anyone.
std::array<const std::uint8_t*, 16> tile_pixels(std::uint32_t width, std::uint32_t height,
                                                ByteSpan rgba, std::uint32_t x0, std::uint32_t y0) {
  std::array<const std::uint8_t*, 16> tile{};
  for (std::uint32_t p = 0; p < 16; ++p) {
    const std::uint32_t x = x0 + p % 4;
    const std::uint32_t y = y0 + p / 4;
    const std::size_t at = x < width && y < height ? std::size_t{y} * width + x
                                                   : std::size_t{y0} * width + x0;
    tile[p] = rgba.data() + at * 4;
  }
  return tile;
}

void put_colours(Bytes& out, const std::array<const std::uint8_t*, 16>& tile) {
  std::array<int, 16> lum{};
  for (std::size_t p = 0; p < 16; ++p) lum[p] = luminance(tile[p]);
  const auto [dark, bright] = std::ranges::minmax_element(lum);
  auto c0 = rgb565(tile[static_cast<std::size_t>(bright - lum.begin())]);
  auto c1 = rgb565(tile[static_cast<std::size_t>(dark - lum.begin())]);
  if (c0 < c1) std::swap(c0, c1);  // four colours, even in a DXT1 block
  std::uint32_t indices = 0;
  if (c0 != c1) {
    const Colour a = expand565(c0);
    const Colour b = expand565(c1);
    std::array<Colour, 4> colours{a, b, Colour{}, Colour{}};
    for (std::size_t c = 0; c < 3; ++c) {
      colours[2][c] = (2 * a[c] + b[c]) / 3;
      colours[3][c] = (a[c] + 2 * b[c]) / 3;
    }
    for (std::uint32_t p = 0; p < 16; ++p) {
      const auto index = nearest(colours, [&](const Colour& c) { return distance(c, tile[p]); });
      indices |= static_cast<std::uint32_t>(index) << (2 * p);
    }
  }
  put_colour_block(out, c0, c1, indices);
}

void put_dxt5_alphas(Bytes& out, const std::array<const std::uint8_t*, 16>& tile) {
  const auto [least, most] =
      std::ranges::minmax(tile, {}, [](const std::uint8_t* p) { return p[3]; });
  const int a0 = most[3];
  const int a1 = least[3];
  std::uint64_t indices = 0;
  if (a0 != a1) {
    std::array<int, 8> alphas{a0, a1};
    for (int i = 2; i < 8; ++i) {
      alphas[static_cast<std::size_t>(i)] = ((8 - i) * a0 + (i - 1) * a1) / 7;
    }
    for (std::uint32_t p = 0; p < 16; ++p) {
      const auto index = nearest(alphas, [&](int alpha) { return std::abs(alpha - tile[p][3]); });
      indices |= index << (3 * p);
    }
  }
  put_dxt5_alpha(out, static_cast<std::uint8_t>(a0), static_cast<std::uint8_t>(a1), indices);
}

}  // namespace

void put_colour_block(Bytes& out, std::uint16_t c0, std::uint16_t c1, std::uint32_t indices) {
  put_le(out, c0, 2);
  put_le(out, c1, 2);
  put_le(out, indices, 4);
}

void put_dxt3_alpha(Bytes& out, std::uint64_t alphas) {
  put_le(out, alphas, 8);
}

void put_dxt5_alpha(Bytes& out, std::uint8_t a0, std::uint8_t a1, std::uint64_t indices) {
  out.push_back(a0);
  out.push_back(a1);
  put_le(out, indices, 6);
}

std::uint16_t rgb565(const std::uint8_t* pixel) {
  return static_cast<std::uint16_t>((pixel[0] >> 3) << 11 | (pixel[1] >> 2) << 5 | pixel[2] >> 3);
}

Bytes encode_dxt(PixelKind kind, std::uint32_t width, std::uint32_t height, ByteSpan rgba) {
  Bytes out;
  for (std::uint32_t y = 0; y < height; y += 4) {
    for (std::uint32_t x = 0; x < width; x += 4) {
      const auto tile = tile_pixels(width, height, rgba, x, y);
      if (kind == PixelKind::Dxt3) {
        std::uint64_t alphas = 0;
        for (std::uint32_t p = 0; p < 16; ++p) {
          alphas |= static_cast<std::uint64_t>(tile[p][3] >> 4) << (4 * p);
        }
        put_dxt3_alpha(out, alphas);
      }
      if (kind == PixelKind::Dxt5) put_dxt5_alphas(out, tile);
      put_colours(out, tile);
    }
  }
  return out;
}

}  // namespace mkportal
