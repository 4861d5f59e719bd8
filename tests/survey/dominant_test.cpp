#include "brackwater/survey/dominant.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace brackwater::survey {
namespace {

using Pixels = std::vector<std::uint8_t>;

// The straightforward form: totals for every bucket, then a scan over all of
// them in which a later bucket wins ties.
Rgb reference_dominant(const Pixels& rgba) {
  std::vector<std::uint32_t> counts(4096);
  std::vector<std::uint64_t> sums(4096 * 3);
  for (std::size_t i = 0; i + 4 <= rgba.size(); i += 4) {
    if (rgba[i + 3] < 128) continue;
    const std::size_t bucket = (rgba[i] / 16) * 256 + (rgba[i + 1] / 16) * 16 + rgba[i + 2] / 16;
    ++counts[bucket];
    for (std::size_t c = 0; c < 3; ++c) sums[bucket * 3 + c] += rgba[i + c];
  }
  std::size_t best = 0;
  for (std::size_t bucket = 0; bucket < 4096; ++bucket) {
    if (counts[bucket] >= counts[best]) best = bucket;
  }
  if (counts[best] == 0) return {128, 128, 128};
  const auto mean = [&](std::size_t c) {
    return static_cast<std::uint8_t>(sums[best * 3 + c] / counts[best]);
  };
  return {mean(0), mean(1), mean(2)};
}

TEST(DominantRgb, FixedCases) {
  struct Case {
    std::string name;
    Pixels rgba;
    Rgb expected;
  };
  const std::vector<Case> cases = {
      {"empty", {}, {128, 128, 128}},
      {"partial pixel only", {200, 10, 10}, {128, 128, 128}},
      {"trailing partial pixel ignored", {40, 50, 60, 255, 250, 250, 250}, {40, 50, 60}},
      {"alpha 127 ignored", {40, 50, 60, 127}, {128, 128, 128}},
      {"alpha 128 counts", {40, 50, 60, 128}, {40, 50, 60}},
      {"only transparent", {1, 2, 3, 0, 255, 255, 255, 127}, {128, 128, 128}},
      {"tie goes to the higher bucket", {0, 0, 255, 255, 255, 0, 0, 255}, {255, 0, 0}},
      {"tie regardless of order", {255, 0, 0, 255, 0, 0, 255, 255}, {255, 0, 0}},
      {"mean rounds down", {16, 0, 0, 255, 31, 0, 0, 255}, {23, 0, 0}},
      {"fuller bucket wins outright",
       {200, 200, 200, 255, 10, 10, 10, 255, 200, 200, 200, 255},
       {200, 200, 200}},
      {"transparent pixels do not join the mean",
       {100, 100, 100, 255, 111, 111, 111, 0},
       {100, 100, 100}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dominant_rgb(c.rgba), c.expected) << c.name;
  }
}

TEST(DominantOpaqueRgb, NoneOnlyWhenNoPixelCounts) {
  const std::vector<std::pair<Pixels, std::optional<Rgb>>> cases = {
      {{}, std::nullopt},
      {{200, 10, 10}, std::nullopt},
      {{1, 2, 3, 0, 255, 255, 255, 127}, std::nullopt},
      {{128, 128, 128, 128}, Rgb{128, 128, 128}},
  };
  for (const auto& [rgba, expected] : cases) {
    EXPECT_EQ(dominant_opaque_rgb(rgba), expected) << rgba.size() << " bytes";
  }
}

// Runs of pixels around a few centres, so that a handful of buckets compete,
// jitter crosses bucket edges and neighbours often share a bucket.
Pixels clustered_pixels(std::mt19937& rng, std::size_t bytes) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> centre_count(1, 4);
  std::vector<std::array<int, 3>> centres(static_cast<std::size_t>(centre_count(rng)));
  for (auto& centre : centres) centre = {byte(rng), byte(rng), byte(rng)};
  std::uniform_int_distribution<std::size_t> pick(0, centres.size() - 1);
  std::uniform_int_distribution<std::size_t> run_length(1, 40);
  std::uniform_int_distribution<int> jitter(-12, 12);
  Pixels rgba(bytes);
  std::size_t centre = 0;
  std::size_t run_left = 0;
  for (std::size_t i = 0; i < bytes; ++i) {
    if (i % 4 == 3) {
      rgba[i] = static_cast<std::uint8_t>(byte(rng));
      continue;
    }
    if (i % 4 == 0 && run_left-- == 0) {
      centre = pick(rng);
      run_left = run_length(rng);
    }
    const int value = centres[centre][i % 4] + jitter(rng);
    rgba[i] = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
  }
  return rgba;
}

// Short noise buffers are mostly ties of one pixel per bucket; long ones tie
// between a few fullest buckets.
TEST(DominantRgb, MatchesStraightforwardFormOnRandomBuffers) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<std::size_t> size(0, 70000);
  std::uniform_int_distribution<std::size_t> small_size(0, 64);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 300; ++round) {
    const std::size_t bytes = round % 3 == 0 ? small_size(rng) : size(rng);
    Pixels noise(bytes);
    for (auto& value : noise) value = static_cast<std::uint8_t>(byte(rng));
    ASSERT_EQ(dominant_rgb(noise), reference_dominant(noise)) << "noise, " << bytes << " bytes";

    const Pixels clustered = clustered_pixels(rng, bytes);
    ASSERT_EQ(dominant_rgb(clustered), reference_dominant(clustered))
        << "clusters, " << bytes << " bytes";
  }
}

}  // namespace
}  // namespace brackwater::survey
