// Writes the starting corpus of every fuzz target: make_seeds <dir> fills
// <dir>/<target>/ with well-formed inputs built by the archive writer and the
// record encoders, for the fuzzers to mutate.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "brackwater/dat/file_type/pixel_format.hpp"
#include "conversion_case.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/lrs_encoder.hpp"
#include "portal_fixture/records.hpp"

namespace {

using namespace brackwater::dat;
using brackwater::fuzz::ConversionCase;
using portal_fixture::ArchiveBuilder;
using portal_fixture::solid_surface;
using portal_fixture::texture;
using portal_fixture::textured_surface;
using Kind = PixelFormat::Kind;

class SeedWriter {
 public:
  explicit SeedWriter(std::filesystem::path root) : root_(std::move(root)) {}

  void add(const std::string& target, const std::string& name, const Bytes& bytes) {
    const std::filesystem::path dir = root_ / target;
    std::filesystem::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ok_ = ok_ && out.good();
  }
  bool ok() const { return ok_; }

 private:
  std::filesystem::path root_;
  bool ok_ = true;
};

Bytes ramp(std::size_t size, unsigned step) {
  Bytes bytes(size);
  for (std::size_t k = 0; k < size; ++k) bytes[k] = static_cast<std::uint8_t>(k * step);
  return bytes;
}

SurfaceTexture mips(std::uint32_t id, std::vector<std::uint32_t> textures) {
  return SurfaceTexture{id, 0, 0, std::move(textures)};
}

// Palette indices 0, 1, ..., colors - 1, 0, 1, ...
Bytes indices(std::size_t size, std::size_t colors) {
  Bytes bytes(size);
  for (std::size_t k = 0; k < size; ++k) bytes[k] = static_cast<std::uint8_t>(k % colors);
  return bytes;
}

const std::vector<Texture>& sample_textures() {
  static const std::vector<Texture> textures = {
      texture(Kind::P8, 4, 4, indices(16, 4), 0x04000001, 0x06000001),
      texture(Kind::Dxt1, 8, 8, ramp(32, 37), std::nullopt, 0x06000002),
      texture(Kind::R8G8B8, 2, 2, ramp(12, 21), std::nullopt, 0x06000003),
      texture(Kind::A8R8G8B8, 2, 2, ramp(16, 17), std::nullopt, 0x06000004),
      texture(Kind::Index16, 2, 2, {0, 0, 1, 0, 2, 0, 3, 0}, 0x04000001, 0x06000005),
      texture(Kind::Dxt5, 4, 4, ramp(16, 29), std::nullopt, 0x06000006),
      texture(Kind::Dxt3, 4, 4, ramp(16, 13), std::nullopt, 0x06000007),
      texture(Kind::A8, 3, 1, ramp(3, 80), std::nullopt, 0x06000008),
  };
  return textures;
}

const Palette kPalette{0x04000001, {0xFF102030, 0x80405060, 0x00708090, 0xFFFFFFFF}};

// Every road a surface can take: solid, and textured through each format,
// with and without a palette of its own; every file compressed when asked.
ArchiveBuilder sample_archive(std::uint32_t block_size, bool compress) {
  ArchiveBuilder b({.block_size = block_size});
  const portal_fixture::FileOptions options{.compress = compress};
  b.add_file(0x08000001, portal_fixture::encode(solid_surface(0xFF336699)), options);
  b.add_file(0x04000001, portal_fixture::encode(kPalette), options);
  std::uint32_t surface = 0x08000002;
  for (const Texture& t : sample_textures()) {
    const std::uint32_t st = 0x05000000 | (t.id & 0xFF);
    b.add_file(t.id, portal_fixture::encode(t), options);
    b.add_file(st, portal_fixture::encode(mips(st, {0x06000099, t.id})), options);
    const std::uint32_t own_palette = (surface & 1) ? 0x04000001 : 0;
    b.add_file(surface++, portal_fixture::encode(textured_surface(st, own_palette)), options);
  }
  return b;
}

// More entries than one node holds, so the directory has inner nodes.
ArchiveBuilder two_level_archive() {
  ArchiveBuilder b({.block_size = 16});
  for (std::uint32_t k = 0; k < 70; ++k) {
    b.add_file(0x08000100 + k, portal_fixture::encode(solid_surface(k * 0x010203)));
  }
  return b;
}

// A leaf linked from two slots of the root, and a surface whose one block
// links to itself, so that its 150 bytes are its data area read again.
ArchiveBuilder shared_archive() {
  ArchiveBuilder b({.block_size = 64});
  const std::uint32_t self = b.end();
  const auto looping = b.add_file(0x08000001, portal_fixture::encode(solid_surface(0xFF204060)),
                                  {.size = 150, .chain = {.links = {{0, self}}}});
  const auto plain = b.add_file(0x08000002, portal_fixture::encode(solid_surface(0xFF806040)));
  const std::uint32_t leaf = b.add_node({.entries = {looping}});
  b.set_root(b.add_node({.branches = {leaf, leaf}, .entries = {plain}}));
  return b;
}

void write_archives(SeedWriter& seeds) {
  seeds.add("archive", "sample-64", sample_archive(64, false).build());
  seeds.add("archive", "sample-5", sample_archive(5, false).build());
  seeds.add("archive", "sample-256-compressed", sample_archive(256, true).build());
  seeds.add("archive", "two-level", two_level_archive().build());
  seeds.add("archive", "shared", shared_archive().build());
}

void write_records(SeedWriter& seeds) {
  seeds.add("surface", "solid", portal_fixture::encode(solid_surface(0xFF102030)));
  seeds.add("surface", "textured", portal_fixture::encode(textured_surface(0x05000001, 0x04000001)));
  seeds.add("surface_texture", "two", portal_fixture::encode(mips(0x05000001, {1, 2})));
  seeds.add("surface_texture", "none", portal_fixture::encode(mips(0x05000001, {})));
  seeds.add("palette", "four", portal_fixture::encode(kPalette));
  for (const Texture& t : sample_textures()) {
    seeds.add("texture", "texture-" + std::to_string(t.id & 0xFF), portal_fixture::encode(t));
  }
}

void write_streams(SeedWriter& seeds) {
  seeds.add("lrs", "text",
            portal_fixture::lrs_encode(portal_fixture::to_bytes(
                "abcabcabcabc, the quick brown fox, abcabcabcabc, the end")));
  seeds.add("lrs", "pixels",
            portal_fixture::lrs_encode(portal_fixture::encode(sample_textures()[1])));
  Bytes runs(600, 7);
  runs.insert(runs.end(), 300, 9);
  seeds.add("lrs", "runs", portal_fixture::lrs_encode(runs));
  portal_fixture::LrsTokenWriter clamped(40);
  clamped.literal('a');
  clamped.match(5, 17);
  clamped.match(0, 2);
  seeds.add("lrs", "clamped-then-end", std::move(clamped).finish());
}

void write_conversions(SeedWriter& seeds) {
  for (const Texture& t : sample_textures()) {
    const ConversionCase fetched{t, kPalette, false};
    seeds.add("to_rgba8", "convert-" + std::to_string(t.id & 0xFF), write_case(fetched));
  }
  ConversionCase failing{sample_textures()[0], kPalette, true};
  seeds.add("to_rgba8", "fetch-fails", write_case(failing));
  ConversionCase negative{texture(Kind::Dxt1, -1, 1, ramp(8, 3)), {}, false};
  seeds.add("to_rgba8", "negative-width", write_case(negative));
}

// The first byte of a report input picks its chunk size (1 here).
void write_reports(SeedWriter& seeds) {
  const auto report = [](std::string_view text) {
    Bytes bytes{0};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
  };
  seeds.add("report", "empty", report("{\n}\n"));
  seeds.add("report", "two",
            report("{\n  \"0x08000000\": [126, 98, 71],\n  \"0x08FFFFFF\": [255, 255, 255]\n}\n"));
  seeds.add("report", "bad-channel", report("{\"0x08000001\": [1, 2.5e3, -0]}"));
  seeds.add("report", "duplicate", report("{\"0x08000001\": [1, 2, 3], \"0x08000001\": [1, 2, 3]}"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds <dir>\n");
    return 2;
  }
  SeedWriter seeds(argv[1]);
  write_archives(seeds);
  write_records(seeds);
  write_streams(seeds);
  write_conversions(seeds);
  write_reports(seeds);
  if (!seeds.ok()) {
    std::fprintf(stderr, "make_seeds: cannot write under %s\n", argv[1]);
    return 1;
  }
  return 0;
}
