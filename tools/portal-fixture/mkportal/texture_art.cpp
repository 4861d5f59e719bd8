#include "texture_art.hpp"

namespace mkportal {

std::uint64_t dxt_tiles(std::uint32_t width, std::uint32_t height) {
  return ((std::uint64_t{width} + 3) / 4) * ((std::uint64_t{height} + 3) / 4);
}

namespace {

void put_le(Bytes& out, std::uint64_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
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

}  // namespace mkportal
