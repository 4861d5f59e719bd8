#include <cstddef>
#include <cstdint>

#include "brackwater/dat/file_type/texture.hpp"
#include "check.hpp"
#include "conversion_case.hpp"

namespace {

// DXT images the library accepts (up to kMaxDxtPixels) decode alike whatever
// their size, but a large one costs milliseconds of zero-filling: inputs above
// this size are skipped to keep the search fast.
constexpr std::uint64_t kSearchedDxtPixels = std::uint64_t{1} << 16;

bool large_accepted_dxt(const brackwater::dat::Texture& texture) {
  using Kind = brackwater::dat::PixelFormat::Kind;
  const Kind kind = texture.format().kind();
  if (kind != Kind::Dxt1 && kind != Kind::Dxt3 && kind != Kind::Dxt5) return false;
  std::uint64_t pixels = 0;
  const bool overflows =
      __builtin_mul_overflow(static_cast<std::uint64_t>(std::int64_t{texture.width}),
                             static_cast<std::uint64_t>(std::int64_t{texture.height}), &pixels);
  return !overflows && pixels > kSearchedDxtPixels && pixels <= brackwater::dat::kMaxDxtPixels;
}

}  // namespace

// Converts a fuzzed texture with a fuzzed palette through a fetcher that may
// fail. A success holds exactly width * height pixels; the fetcher is asked
// at most once, for paletted formats only, for the texture's own palette id.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brackwater;
  const fuzz::ConversionCase c = fuzz::read_case(dat::ByteSpan(data, size));
  if (large_accepted_dxt(c.texture)) return 0;
  int fetches = 0;
  const dat::PaletteFetcher fetcher =
      [&](std::uint32_t id) -> std::expected<dat::Palette, dat::TextureDecodeError::PaletteFetch> {
    ++fetches;
    fuzz::require(c.texture.format().paletted(), "only paletted formats fetch a palette");
    fuzz::require(id == c.texture.default_palette_id, "the fetcher is asked for the default id");
    if (c.fetch_fails) {
      return std::unexpected(
          dat::TextureDecodeError::PaletteFetch{id, dat::DatError(dat::DatError::NotFound{id})});
    }
    return c.palette;
  };
  auto pixels = dat::to_rgba8(c.texture, fetcher);
  fuzz::require(fetches <= 1, "the palette is fetched at most once");
  if (!pixels) {
    fuzz::require(!pixels.error().message().empty(), "a conversion error has a text");
    return 0;
  }
  const auto expected = static_cast<std::uint64_t>(c.texture.width) *
                        static_cast<std::uint64_t>(c.texture.height) * 4;
  fuzz::require(pixels->size() == expected, "the output holds width * height pixels");
  return 0;
}
