#include "brackwater/survey/dominant.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace brackwater::survey {
namespace {

// Pixels are read as little-endian words: red in bits 0-7, green 8-15, blue
// 16-23, alpha 24-31.
constexpr std::size_t kBytesPerPixel = 4;
// A pixel counts when the top bit of its alpha is set (alpha >= 128).
constexpr unsigned kOpaqueShift = 31;
// The bits that decide whether a pixel counts towards a bucket: the top bit
// of alpha and the top four bits of red, green and blue.
constexpr std::uint32_t kBucketBits = 0x80F0F0F0u;
constexpr unsigned kIndexBits = 12;
constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;

std::uint32_t pixel_word(const std::uint8_t* pixel) {
  return std::uint32_t{pixel[0]} | std::uint32_t{pixel[1]} << 8 | std::uint32_t{pixel[2]} << 16 |
         std::uint32_t{pixel[3]} << 24;
}

// The top four bits of red, green and blue as one index, red highest:
// 0..4095. The multiply gathers the three nibbles (now at bits 0, 8 and 16)
// into bits 16-27 in the order blue, green, red; its other partial products
// land on disjoint bits outside that window, so nothing carries into it.
std::uint32_t bucket_index(std::uint32_t word) {
  return ((((word >> 4) & 0x000F0F0Fu) * 0x01001001u) >> 16) & kIndexMask;
}

// The word pattern, under kBucketBits, of an opaque pixel in bucket `index`.
std::uint32_t bucket_pattern(std::uint32_t index) {
  const std::uint32_t red = index >> 8, green = (index >> 4) & 0xF, blue = index & 0xF;
  return 1u << kOpaqueShift | blue << 20 | green << 12 | red << 4;
}

struct Bucket {
  std::uint32_t index = 0;
  std::uint32_t count = 0;
};

// The bucket with the most opaque pixels, the highest index among equals.
// The running best is one key, count above index, so a plain maximum breaks
// ties towards the higher index and no scan over all 4096 buckets follows.
// Neighbouring pixels mostly share a bucket, so a run of them is counted in a
// register and stored once: incrementing memory per pixel would chain every
// pixel of a flat area on the previous store.
Bucket fullest_bucket(const std::uint8_t* pixels, std::size_t pixel_count) {
  std::array<std::uint32_t, std::size_t{1} << kIndexBits> counts{};
  std::uint64_t best_key = 0;
  // A run of transparent pixels stores 0 and yields a key already seen, so it
  // never moves the maximum.
  const auto close_run = [&](std::uint32_t index, std::uint32_t opaque_in_run) {
    const std::uint32_t count = counts[index] += opaque_in_run;
    best_key = std::max(best_key, std::uint64_t{count} << kIndexBits | index);
  };
  std::uint32_t run_index = 0;
  std::uint32_t run_opaque = 0;
  for (std::size_t i = 0; i < pixel_count; ++i) {
    const std::uint32_t word = pixel_word(pixels + i * kBytesPerPixel);
    const std::uint32_t index = bucket_index(word);
    if (index != run_index) {
      close_run(run_index, run_opaque);
      run_index = index;
      run_opaque = 0;
    }
    run_opaque += word >> kOpaqueShift;
  }
  close_run(run_index, run_opaque);
  return {static_cast<std::uint32_t>(best_key & kIndexMask),
          static_cast<std::uint32_t>(best_key >> kIndexBits)};
}

// Up to this many pixels the fullest bucket is found by comparing the
// pixels' buckets with one another, which costs less than clearing 4096
// counters: the last mip of a texture, the one a survey decodes, is mostly
// 1x1.
constexpr std::size_t kFewPixels = 16;

Bucket fullest_bucket_of_few(const std::uint8_t* pixels, std::size_t pixel_count) {
  std::array<std::uint32_t, kFewPixels> indices;
  std::size_t opaque = 0;
  for (std::size_t i = 0; i < pixel_count; ++i) {
    const std::uint32_t word = pixel_word(pixels + i * kBytesPerPixel);
    if (word >> kOpaqueShift != 0) indices[opaque++] = bucket_index(word);
  }
  // The same key as above: count above index, the highest index among equals.
  std::uint64_t best_key = 0;
  for (std::size_t a = 0; a < opaque; ++a) {
    const auto count = std::count(indices.begin(), indices.begin() + opaque, indices[a]);
    best_key = std::max(best_key, static_cast<std::uint64_t>(count) << kIndexBits | indices[a]);
  }
  return {static_cast<std::uint32_t>(best_key & kIndexMask),
          static_cast<std::uint32_t>(best_key >> kIndexBits)};
}

// Pixels per run of 32-bit channel totals: 255 * 2^24 < 2^32. Narrow totals
// let the compiler spread the loop over vector lanes.
constexpr std::size_t kChunkPixels = std::size_t{1} << 24;

// The floor of the mean colour of the opaque pixels in `bucket`. Summing only
// the winner in a second pass spares keeping totals for every bucket.
Rgb bucket_mean(const std::uint8_t* pixels, std::size_t pixel_count, Bucket bucket) {
  const std::uint32_t pattern = bucket_pattern(bucket.index);
  std::uint64_t red = 0, green = 0, blue = 0;
  for (std::size_t begin = 0; begin < pixel_count; begin += kChunkPixels) {
    const std::size_t end = std::min(pixel_count, begin + kChunkPixels);
    std::uint32_t chunk_red = 0, chunk_green = 0, chunk_blue = 0;
    for (std::size_t i = begin; i < end; ++i) {
      const std::uint32_t word = pixel_word(pixels + i * kBytesPerPixel);
      const std::uint32_t in_bucket = (word & kBucketBits) == pattern ? word : 0;
      chunk_red += in_bucket & 0xFF;
      chunk_green += (in_bucket >> 8) & 0xFF;
      chunk_blue += (in_bucket >> 16) & 0xFF;
    }
    red += chunk_red;
    green += chunk_green;
    blue += chunk_blue;
  }
  return {static_cast<std::uint8_t>(red / bucket.count),
          static_cast<std::uint8_t>(green / bucket.count),
          static_cast<std::uint8_t>(blue / bucket.count)};
}

}  // namespace

std::optional<Rgb> dominant_opaque_rgb(dat::ByteSpan rgba) {
  // A trailing partial pixel is ignored.
  const std::size_t pixel_count = rgba.size() / kBytesPerPixel;
  const Bucket fullest = pixel_count <= kFewPixels ? fullest_bucket_of_few(rgba.data(), pixel_count)
                                                   : fullest_bucket(rgba.data(), pixel_count);
  if (fullest.count == 0) return std::nullopt;
  return bucket_mean(rgba.data(), pixel_count, fullest);
}

Rgb dominant_rgb(dat::ByteSpan rgba) {
  return dominant_opaque_rgb(rgba).value_or(kFallbackGrey);
}

}  // namespace brackwater::survey
