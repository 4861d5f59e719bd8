#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/records.hpp"
#include "test_records.hpp"
#include "tool_dir.hpp"

namespace {

using brackwater::dat::Bytes;
using brackwater::dat::Palette;
using brackwater::dat::PixelFormat;
using portal_fixture::ArchiveBuilder;
using portal_fixture::encode;
using test_support::mip_list;
using test_support::read_file;
using test_support::solid_surface;
using test_support::textured_surface;

const std::string kEmptyReport = "{\n}\n";

// A `side` x `side` texture whose every pixel is stored as `pixel`.
Bytes uniform_texture(PixelFormat::Kind format, std::int32_t side, const Bytes& pixel,
                      std::optional<std::uint32_t> palette_id = std::nullopt) {
  Bytes pixels;
  for (std::int32_t i = 0; i < side * side; ++i)
    pixels.insert(pixels.end(), pixel.begin(), pixel.end());
  return encode(test_support::texture(format, side, side, pixels, palette_id));
}

// Runs the tool in a temporary directory that holds the archive as portal.dat.
class SurveyRunTest : public ::testing::Test {
 protected:
  test_support::ProcessResult survey(std::vector<std::string> args) const {
    args.insert(args.begin(), {"--portal-dat", "portal.dat"});
    return dir_.run(TINTSURVEY_BIN, args);
  }

  test_support::ToolDir dir_;
};

TEST_F(SurveyRunTest, ArchiveWithoutSurfacesWritesAnEmptyObject) {
  ArchiveBuilder no_files;
  ArchiveBuilder other_records;
  other_records.add_file(0x04000001, encode(Palette{.id = 0x04000001, .colors = {0xFF102030}}));
  other_records.add_file(0x05000001, mip_list({0x06000001}));
  for (const ArchiveBuilder* archive : {&no_files, &other_records}) {
    dir_.write_archive(*archive);
    const auto run = survey({"--out", "out.json"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "tintsurvey: found 0 surfaces in portal DAT; processing 0\n"
              "done. resolved=0 (solid=0 textured=0) errors=0\n"
              "wrote out.json (0.0 KB)\n");
    EXPECT_EQ(read_file(dir_ / "out.json"), kEmptyReport);
  }
}

TEST_F(SurveyRunTest, LimitTakesTheLowestIds) {
  ArchiveBuilder archive;
  for (const std::uint32_t id : {0x08000030u, 0x08000010u, 0x08000050u, 0x08000020u, 0x08000040u}) {
    archive.add_file(id, solid_surface(id & 0xFF));
  }
  dir_.write_archive(archive);
  const auto run = survey({"--out", "out.json", "--limit", "3"});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.err.starts_with("tintsurvey: found 5 surfaces in portal DAT; processing 3\n"))
      << run.err;
  EXPECT_EQ(read_file(dir_ / "out.json"),
            "{\n"
            "  \"0x08000010\": [0, 0, 16],\n"
            "  \"0x08000020\": [0, 0, 32],\n"
            "  \"0x08000030\": [0, 0, 48]\n"
            "}\n");
}

// The survey has run when the report fails: the "done." line comes before
// the error, and there is no "wrote" line.
TEST_F(SurveyRunTest, UnwritableOutputIsFatalAfterTheSurvey) {
  ArchiveBuilder archive;
  archive.add_file(0x08000000, solid_surface(0xFF7E6247));
  dir_.write_archive(archive);
  test_support::write_file(dir_ / "blocker", Bytes{});
  const auto run = survey({"--out", "blocker/out.json"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "tintsurvey: found 1 surfaces in portal DAT; processing 1\n"
            "done. resolved=1 (solid=1 textured=0) errors=0\n"
            "Error: create dir blocker\n\nCaused by:\n    File exists (os error 17)\n");
  EXPECT_EQ(std::filesystem::file_size(dir_ / "blocker"), 0u);
}

TEST_F(SurveyRunTest, EverySurfaceFailingStillSucceedsWithAnEmptyObject) {
  ArchiveBuilder archive;
  const Bytes whole = solid_surface(0xFF7E6247);
  archive.add_file(0x08000001, Bytes(whole.begin(), whole.begin() + 3));  // inside the type
  archive.add_file(0x08000002, Bytes(whole.begin(), whole.end() - 1));    // inside `diffuse`
  archive.add_file(0x08000003, textured_surface(0x05000009));             // no such mip list
  archive.add_file(0x08000004, textured_surface(0x05000001));             // an empty one
  archive.add_file(0x05000001, mip_list({}));
  dir_.write_archive(archive);
  const auto run = survey({"--out", "out.json"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "tintsurvey: found 4 surfaces in portal DAT; processing 4\n"
            "  [    1/    4] ok=0 (solid=0 textured=0) err=1\n"
            "  [    2/    4] ok=0 (solid=0 textured=0) err=2\n"
            "  [    3/    4] ok=0 (solid=0 textured=0) err=3\n"
            "done. resolved=0 (solid=0 textured=0) errors=4\n"
            "wrote out.json (0.0 KB)\n");
  EXPECT_EQ(read_file(dir_ / "out.json"), kEmptyReport);
}

// Each 33-byte Texture names a 4096 x 4096 DXT1 image: 64 MiB to decode from
// 8 bytes of data. The survey's decode limit (16 times the archive plus
// 256 MiB) covers four of them; the fifth is decoded but goes past it, and
// the sixth fails before decoding.
TEST_F(SurveyRunTest, DecodeLimitEndsTinyRecordsNamingHugeImages) {
  ArchiveBuilder archive;
  for (std::uint32_t k = 0; k < 6; ++k) {
    archive.add_file(0x06000000 + k, encode(test_support::texture(PixelFormat::Kind::Dxt1, 4096,
                                                                  4096, Bytes(8, 0))));
    archive.add_file(0x05000000 + k, mip_list({0x06000000 + k}));
    archive.add_file(0x08000000 + k, textured_surface(0x05000000 + k));
  }
  dir_.write_archive(archive);
  const auto run = survey({"--out", "out.json"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("done. resolved=4 (solid=0 textured=4) errors=2\n"), std::string::npos)
      << run.err;
}

// A hundred surface entries share one chain holding a 1 MiB solid Surface:
// 100 MiB to read from an archive of 1 MiB. Reads stop once they pass what
// the archive holds (plus 64 MiB of slack), and the rest fail.
TEST_F(SurveyRunTest, ReadLimitEndsEntriesSharingAChain) {
  ArchiveBuilder archive;
  Bytes surface = solid_surface(0xFF102030);
  surface.resize(1 << 20);
  const brackwater::dat::DatFileEntry first = archive.add_file(0x08000000, surface);
  std::vector<brackwater::dat::DatFileEntry> entries;
  for (std::uint32_t k = 0; k < 100; ++k) {
    entries.push_back(first);
    entries.back().id = 0x08000000 + k;
  }
  const std::vector left(entries.begin(), entries.begin() + 60);
  const std::vector right(entries.begin() + 61, entries.end());
  archive.set_root(archive.add_node(
      {.branches = {archive.add_node({.entries = left}), archive.add_node({.entries = right})},
       .entries = {entries[60]}}));
  dir_.write_archive(archive);
  const auto run = survey({"--out", "out.json"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("done. resolved=65 (solid=65 textured=0) errors=35\n"), std::string::npos)
      << run.err;
}

TEST_F(SurveyRunTest, SolidAndTexturedSurfacesGiveTheExactReport) {
  using Kind = PixelFormat::Kind;
  ArchiveBuilder archive({.block_size = 64});
  archive.add_file(0x08000001, solid_surface(0xFF7E6247));
  // Only the last mip counts; stored compressed, B, G, R per pixel.
  archive.add_file(0x08000002, textured_surface(0x05000001));
  archive.add_file(0x05000001, mip_list({0x06000002, 0x06000001}));
  archive.add_file(0x06000002, uniform_texture(Kind::R8G8B8, 8, {0, 0, 0}));
  archive.add_file(0x06000001, uniform_texture(Kind::R8G8B8, 4, {0x10, 0x80, 0xF0}),
                   {.compress = true});
  // Palette index 1 everywhere: the texture's own palette, then the surface's.
  archive.add_file(0x08000003, textured_surface(0x05000002));
  archive.add_file(0x08000004, textured_surface(0x05000002, 0x04000002));
  archive.add_file(0x05000002, mip_list({0x06000003}));
  archive.add_file(0x06000003, uniform_texture(Kind::P8, 2, {1}, 0x04000001));
  archive.add_file(0x04000001, encode(Palette{.colors = {0xFF000000, 0xFF3366CC}}));
  archive.add_file(0x04000002, encode(Palette{.colors = {0xFF000000, 0xFF102030}}));
  // Cut short: counted as an error between the others.
  archive.add_file(0x08000005, Bytes(4, 0));
  // A solid colour word's alpha plays no part.
  archive.add_file(0x08FFFFFF, solid_surface(0x00FFFFFF));
  dir_.write_archive(archive);

  const auto run = survey({"--out", "out.json"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "tintsurvey: found 6 surfaces in portal DAT; processing 6\n"
            "  [    1/    6] ok=1 (solid=1 textured=0) err=0\n"
            "  [    2/    6] ok=2 (solid=1 textured=1) err=0\n"
            "  [    3/    6] ok=3 (solid=1 textured=2) err=0\n"
            "  [    4/    6] ok=4 (solid=1 textured=3) err=0\n"
            "  [    5/    6] ok=4 (solid=1 textured=3) err=1\n"
            "done. resolved=5 (solid=2 textured=3) errors=1\n"
            "wrote out.json (0.2 KB)\n");
  EXPECT_EQ(read_file(dir_ / "out.json"),
            "{\n"
            "  \"0x08000001\": [126, 98, 71],\n"
            "  \"0x08000002\": [240, 128, 16],\n"
            "  \"0x08000003\": [51, 102, 204],\n"
            "  \"0x08000004\": [16, 32, 48],\n"
            "  \"0x08FFFFFF\": [255, 255, 255]\n"
            "}\n");
}

}  // namespace
