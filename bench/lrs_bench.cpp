#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>

#include "brackwater/dat/lrs.hpp"
#include "portal_fixture/lrs_encoder.hpp"

namespace {

using brackwater::dat::Bytes;

constexpr std::size_t kOutputSize = std::size_t{1} << 20;

// Words of a small vocabulary in random order: many short and medium
// back-references within the window, few literals.
Bytes text_like() {
  static const char* const kWords[] = {
      "the ",   "surface ",  "colour ", "of ",      "a ",      "block ", "chain ",   "reads ",
      "every ", "texture, ", "and ",    "palette ", "index\n", "mip ",   "level ",   "archive ",
      "file ",  "entry ",    "offset ", "size ",    "header ", "node ",  "decoded ", "pixels. "};
  std::mt19937 rng(3);
  std::string text;
  while (text.size() < kOutputSize) text += kWords[rng() % std::size(kWords)];
  text.resize(kOutputSize);
  return Bytes(text.begin(), text.end());
}

// RGB rows of flat painted areas: runs of one colour with a little noise,
// and rows that repeat the row above with a few pixels changed.
Bytes texture_like() {
  constexpr std::size_t kRowBytes = 3 * 512;
  std::mt19937 rng(5);
  Bytes out;
  out.reserve(kOutputSize);
  Bytes row(kRowBytes);
  while (out.size() < kOutputSize) {
    if (out.empty() || rng() % 4 == 0) {
      std::uint8_t tone[3] = {};
      for (std::size_t x = 0; x < kRowBytes; x += 3) {
        if (rng() % 24 == 0) {
          for (auto& channel : tone) channel = static_cast<std::uint8_t>(rng());
        }
        for (std::size_t c = 0; c < 3; ++c) row[x + c] = tone[c];
      }
    }
    for (int k = 0; k < 8; ++k) row[rng() % kRowBytes] = static_cast<std::uint8_t>(rng());
    out.insert(out.end(), row.begin(), row.end());
  }
  out.resize(kOutputSize);
  return out;
}

// Random bytes: the encoder finds no match, so every token is a literal.
Bytes incompressible() {
  std::mt19937 rng(7);
  Bytes out(kOutputSize);
  for (auto& byte : out) byte = static_cast<std::uint8_t>(rng());
  return out;
}

// Data and its stream, made once per benchmark.
struct Sample {
  Bytes data;
  Bytes stream;
  explicit Sample(Bytes original)
      : data(std::move(original)), stream(portal_fixture::lrs_encode(data)) {}
};

// Throughput is counted in output bytes; "ratio" is output per stream byte.
void run(benchmark::State& state, const Sample& sample) {
  if (brackwater::dat::decompress_lrs(sample.stream) != sample.data) {
    state.SkipWithError("stream does not decode to its data");
    return;
  }
  for (auto _ : state) {
    Bytes out = brackwater::dat::decompress_lrs(sample.stream);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample.data.size()));
  state.counters["ratio"] =
      static_cast<double>(sample.data.size()) / static_cast<double>(sample.stream.size());
}

void BM_DecompressLrsText(benchmark::State& state) {
  static const Sample sample(text_like());
  run(state, sample);
}

void BM_DecompressLrsTexture(benchmark::State& state) {
  static const Sample sample(texture_like());
  run(state, sample);
}

void BM_DecompressLrsIncompressible(benchmark::State& state) {
  static const Sample sample(incompressible());
  run(state, sample);
}

BENCHMARK(BM_DecompressLrsText)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecompressLrsTexture)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecompressLrsIncompressible)->Unit(benchmark::kMicrosecond);

}  // namespace
