#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <utility>

#include "brackwater/dat/file_type/dxt.hpp"

namespace {

using brackwater::dat::Bytes;
using brackwater::dat::ByteSpan;
using Decoder = Bytes (*)(ByteSpan, std::uint32_t, std::uint32_t);

constexpr std::uint32_t kSide = 2048;
constexpr std::size_t kBlockCount = std::size_t{kSide / 4} * (kSide / 4);

void append_le(Bytes& out, std::uint64_t value, int byte_count) {
  for (int i = 0; i < byte_count; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// As an encoder writes them: most blocks order their endpoints c0 > c1 for
// four colours, one in eight uses three; indices are random.
void append_color_block(Bytes& out, std::mt19937_64& rng) {
  auto c0 = static_cast<std::uint16_t>(rng());
  auto c1 = static_cast<std::uint16_t>(rng());
  if (c0 < c1) std::swap(c0, c1);
  if (rng() % 8 == 0) std::swap(c0, c1);
  append_le(out, c0, 2);
  append_le(out, c1, 2);
  append_le(out, rng(), 4);
}

// Random alpha nibbles.
void append_explicit_alpha(Bytes& out, std::mt19937_64& rng) {
  append_le(out, rng(), 8);
}

// Endpoints mostly a0 > a1 (eight interpolated alphas), random indices.
void append_interpolated_alpha(Bytes& out, std::mt19937_64& rng) {
  auto a0 = static_cast<std::uint8_t>(rng());
  auto a1 = static_cast<std::uint8_t>(rng());
  if (a0 < a1) std::swap(a0, a1);
  if (rng() % 8 == 0) std::swap(a0, a1);
  out.push_back(a0);
  out.push_back(a1);
  append_le(out, rng(), 6);
}

enum class Alpha { None, Explicit, Interpolated };

Bytes make_blocks(Alpha alpha) {
  std::mt19937_64 rng(20240607);
  Bytes out;
  for (std::size_t i = 0; i < kBlockCount; ++i) {
    if (alpha == Alpha::Explicit) append_explicit_alpha(out, rng);
    if (alpha == Alpha::Interpolated) append_interpolated_alpha(out, rng);
    append_color_block(out, rng);
  }
  return out;
}

void run(benchmark::State& state, Decoder decode, const Bytes& blocks) {
  for (auto _ : state) {
    Bytes image = decode(blocks, kSide, kSide);
    benchmark::DoNotOptimize(image.data());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t{kSide} * kSide);
}

void BM_DecompressDxt1(benchmark::State& state) {
  static const Bytes blocks = make_blocks(Alpha::None);
  run(state, brackwater::dat::decompress_dxt1, blocks);
}

void BM_DecompressDxt3(benchmark::State& state) {
  static const Bytes blocks = make_blocks(Alpha::Explicit);
  run(state, brackwater::dat::decompress_dxt3, blocks);
}

void BM_DecompressDxt5(benchmark::State& state) {
  static const Bytes blocks = make_blocks(Alpha::Interpolated);
  run(state, brackwater::dat::decompress_dxt5, blocks);
}

BENCHMARK(BM_DecompressDxt1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecompressDxt3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecompressDxt5)->Unit(benchmark::kMillisecond);

}  // namespace
