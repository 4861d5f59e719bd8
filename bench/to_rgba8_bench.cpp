#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "brackwater/dat/file_type/texture.hpp"

namespace {

using brackwater::dat::Bytes;
using brackwater::dat::Palette;
using brackwater::dat::PixelFormat;
using brackwater::dat::Texture;

constexpr std::int32_t kSide = 2048;
constexpr std::size_t kPixels = std::size_t{kSide} * kSide;

Texture random_texture(PixelFormat::Kind kind, std::size_t bytes_per_pixel) {
  std::mt19937_64 rng(20240607);
  Texture texture;
  texture.width = kSide;
  texture.height = kSide;
  texture.format_raw = static_cast<std::uint32_t>(kind);
  texture.source_data.resize(kPixels * bytes_per_pixel);
  for (std::uint8_t& byte : texture.source_data) byte = static_cast<std::uint8_t>(rng());
  texture.length = static_cast<std::int32_t>(texture.source_data.size());
  texture.default_palette_id = 0x04000001;
  return texture;
}

void run(benchmark::State& state, const Texture& texture,
         const brackwater::dat::PaletteFetcher& fetch_palette) {
  for (auto _ : state) {
    auto image = brackwater::dat::to_rgba8(texture, fetch_palette);
    benchmark::DoNotOptimize(image->data());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t{kSide} * kSide);
}

void BM_ToRgba8P8(benchmark::State& state) {
  static const Texture texture = random_texture(PixelFormat::Kind::P8, 1);
  Palette palette{0x04000001, {}};
  for (std::uint32_t i = 0; i < 256; ++i) palette.colors.push_back(0xFF000000 | i * 0x010101);
  run(state, texture, [&palette](std::uint32_t) { return palette; });
}

void BM_ToRgba8R8G8B8(benchmark::State& state) {
  static const Texture texture = random_texture(PixelFormat::Kind::R8G8B8, 3);
  run(state, texture, nullptr);
}

BENCHMARK(BM_ToRgba8P8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToRgba8R8G8B8)->Unit(benchmark::kMillisecond);

}  // namespace
