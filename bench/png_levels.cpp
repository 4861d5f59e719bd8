// Which zlib level and row filters suit exported textures: every Nth texture
// of an archive encoded with each setting, giving the PNG bytes and the CPU
// time of each against the raw RGBA.
//
//   png_levels ARCHIVE [N]
#include <png.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "brackwater/image/png.hpp"
#include "brackwater/survey/resolve.hpp"

namespace {

using namespace brackwater;

double cpu_seconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Setting {
  const char* name;
  image::PngSettings png;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: png_levels ARCHIVE [N]\n");
    return 2;
  }
  const std::size_t every = argc > 2 ? std::stoul(argv[2]) : 10;
  auto db = dat::DatDatabase::open(argv[1]);
  if (!db) {
    std::fprintf(stderr, "open %s failed\n", argv[1]);
    return 1;
  }
  std::vector<image::RgbaImage> images;
  std::size_t raw_bytes = 0;
  std::size_t k = 0;
  for (const auto& [id, entry] : db->index().of_type(0x06)) {
    if (k++ % every != 0) continue;
    auto bytes = db->get_file(id);
    if (!bytes) continue;
    auto texture = dat::Texture::unpack(*bytes);
    if (!texture || texture->width <= 0 || texture->height <= 0) continue;
    auto pixels = survey::texture_rgba8(*db, *texture, survey::choose_palette(*texture, 0));
    if (!pixels) continue;
    raw_bytes += pixels->size();
    images.push_back({static_cast<std::uint32_t>(texture->width),
                      static_cast<std::uint32_t>(texture->height), std::move(*pixels)});
  }
  std::printf("%zu textures, %.1f MB of RGBA\n", images.size(),
              static_cast<double>(raw_bytes) / 1e6);
  std::printf("%-18s %10s %8s %9s %10s\n", "setting", "PNG MB", "of RGBA", "CPU s", "RGBA MB/s");
  const Setting settings[] = {
      {"level 1, none", {1, PNG_FILTER_NONE}},     {"level 1, sub", {1, PNG_FILTER_SUB}},
      {"level 1, up", {1, PNG_FILTER_UP}},         {"level 1, paeth", {1, PNG_FILTER_PAETH}},
      {"level 1, adaptive", {1, PNG_ALL_FILTERS}}, {"level 3, none", {3, PNG_FILTER_NONE}},
      {"level 3, adaptive", {3, PNG_ALL_FILTERS}}, {"level 6, none", {6, PNG_FILTER_NONE}},
      {"level 6, adaptive", {6, PNG_ALL_FILTERS}}, {"level 9, adaptive", {9, PNG_ALL_FILTERS}},
  };
  for (const Setting& setting : settings) {
    std::size_t png_bytes = 0;
    const double start = cpu_seconds();
    for (const auto& image : images) png_bytes += image::encode_png(image, setting.png)->size();
    const double spent = cpu_seconds() - start;
    std::printf("%-18s %10.2f %7.1f%% %9.3f %10.1f\n", setting.name,
                static_cast<double>(png_bytes) / 1e6,
                100.0 * static_cast<double>(png_bytes) / static_cast<double>(raw_bytes), spent,
                static_cast<double>(raw_bytes) / 1e6 / spent);
  }
  return 0;
}
