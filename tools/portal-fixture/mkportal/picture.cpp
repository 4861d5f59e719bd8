#include "picture.hpp"

#include <algorithm>
#include <array>
#include <span>

namespace mkportal {
namespace {

// The 2 x 2 pixels of a picture of side `side` that pixel (x, y) of its
// halved picture covers; one pixel, or a row or column of two, when the
// side is 1.
template <class Visit>
void covered(std::uint32_t side, std::uint32_t x, std::uint32_t y, Visit visit) {
  for (std::uint32_t dy = 0; dy < 2; ++dy) {
    for (std::uint32_t dx = 0; dx < 2; ++dx) {
      const std::uint32_t px = 2 * x + dx;
      const std::uint32_t py = 2 * y + dy;
      if (px < side && py < side) visit(px, py);
    }
  }
}

std::uint32_t half(std::uint32_t side) {
  return std::max<std::uint32_t>(side / 2, 1);
}

}  // namespace

RgbaPicture RgbaPicture::halved() const {
  RgbaPicture out{half(side), {}};
  out.rgba.resize(std::size_t{out.side} * out.side * 4);
  for (std::uint32_t y = 0; y < out.side; ++y) {
    for (std::uint32_t x = 0; x < out.side; ++x) {
      std::array<std::uint32_t, 4> sum{};
      std::uint32_t count = 0;
      covered(side, x, y, [&](std::uint32_t px, std::uint32_t py) {
        for (std::size_t c = 0; c < 4; ++c) sum[c] += at(px, py)[c];
        ++count;
      });
      for (std::size_t c = 0; c < 4; ++c) {
        out.at(x, y)[c] = static_cast<std::uint8_t>(sum[c] / count);
      }
    }
  }
  return out;
}

Bytes RgbaPicture::encode(PixelKind kind) const {
  switch (kind) {
    case PixelKind::Dxt1:
    case PixelKind::Dxt3:
    case PixelKind::Dxt5:
      return encode_dxt(kind, side, side, rgba);
    default:
      break;
  }
  Bytes out;
  for (std::size_t at = 0; at < rgba.size(); at += 4) {
    const std::uint8_t* p = rgba.data() + at;
    switch (kind) {
      case PixelKind::R8G8B8:
        out.insert(out.end(), {p[2], p[1], p[0]});
        break;
      case PixelKind::A8R8G8B8:
        out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        break;
      case PixelKind::A8:
        out.push_back(static_cast<std::uint8_t>((p[0] + p[1] + p[2]) / 3));
        break;
      default: {  // R5G6B5, little-endian
        const std::uint16_t word = rgb565(p);
        out.insert(out.end(),
                   {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8)});
        break;
      }
    }
  }
  return out;
}

IndexPicture IndexPicture::halved() const {
  IndexPicture out{half(side), {}};
  out.indices.resize(std::size_t{out.side} * out.side);
  for (std::uint32_t y = 0; y < out.side; ++y) {
    for (std::uint32_t x = 0; x < out.side; ++x) {
      std::array<std::uint8_t, 4> seen{};
      std::size_t count = 0;
      covered(side, x, y, [&](std::uint32_t px, std::uint32_t py) {
        seen[count++] = indices[std::size_t{py} * side + px];
      });
      const std::span<const std::uint8_t> covering(seen.data(), count);
      std::uint8_t best = covering.front();
      std::ptrdiff_t best_count = 0;
      for (const std::uint8_t index : covering) {
        const std::ptrdiff_t times = std::ranges::count(covering, index);
        if (times > best_count) {
          best = index;
          best_count = times;
        }
      }
      out.indices[std::size_t{y} * out.side + x] = best;
    }
  }
  return out;
}

Bytes IndexPicture::encode(PixelKind kind) const {
  if (kind != PixelKind::Index16) return Bytes(indices.begin(), indices.end());
  Bytes out;
  for (const std::uint8_t index : indices) out.insert(out.end(), {index, 0});
  return out;
}

}  // namespace mkportal
