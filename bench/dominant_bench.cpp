#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "brackwater/survey/dominant.hpp"

namespace {

// A square texture shaped like a decoded block-compressed one: 4x4 blocks,
// each around one of four tones with per-pixel jitter that crosses bucket
// edges, and one transparent pixel in sixteen.
std::vector<std::uint8_t> texture_pixels(std::size_t side) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> jitter(0, 40);
  std::uniform_int_distribution<std::size_t> pick_tone(0, 3);
  const int tones[4][3] = {{120, 90, 60}, {140, 100, 70}, {60, 80, 40}, {200, 190, 180}};
  const std::size_t blocks_per_row = (side + 3) / 4;
  std::vector<std::size_t> block_tone(blocks_per_row * blocks_per_row);
  for (auto& tone : block_tone) tone = pick_tone(rng);
  std::vector<std::uint8_t> rgba;
  rgba.reserve(side * side * 4);
  for (std::size_t y = 0; y < side; ++y) {
    for (std::size_t x = 0; x < side; ++x) {
      const int* tone = tones[block_tone[(y / 4) * blocks_per_row + x / 4]];
      for (int c = 0; c < 3; ++c) rgba.push_back(static_cast<std::uint8_t>(tone[c] + jitter(rng)));
      rgba.push_back((y * side + x) % 16 == 5 ? 0 : 255);
    }
  }
  return rgba;
}

void BM_DominantRgb(benchmark::State& state) {
  const auto rgba = texture_pixels(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(brackwater::survey::dominant_rgb(rgba));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(rgba.size()));
}
BENCHMARK(BM_DominantRgb)->Arg(1)->Arg(16)->Arg(256);

}  // namespace
