#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "png_image.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/records.hpp"
#include "test_records.hpp"
#include "sample_inspect.hpp"
#include "tool_dir.hpp"

namespace {

namespace fs = std::filesystem;
using brackwater::dat::Bytes;
using brackwater::dat::DatDatabase;
using brackwater::dat::Palette;
using brackwater::dat::Texture;
using Kind = brackwater::dat::PixelFormat::Kind;
using portal_fixture::ArchiveBuilder;
using portal_fixture::encode;
using test_support::mip_list;
using test_support::read_file;
using test_support::solid_surface;
using test_support::texture;
using test_support::textured_surface;
using test_support::ToolDir;

using test_support::read_png;
using test_support::Rgba;

// The archive every case looks into:
//   0x08000001 solid, colour word 0xFF102030
//   0x08000002 a 4x2 P8 texture on a surface with a palette of its own
//   0x08000003 a 2x1 A8R8G8B8 texture on a surface that also names a palette
//   0x08000004, 0x08000007 an empty mip list
//   0x08000005 three bytes, too few for a Surface
//   0x08000006 a mip that is not in the archive
constexpr std::uint32_t kSolid = 0x08000001;
constexpr std::uint32_t kOverride = 0x08000002;
constexpr std::uint32_t kDirect = 0x08000003;
constexpr std::uint32_t kPaletted = 0x06000001;
constexpr std::uint32_t kDefaultPalette = 0x04000001;
constexpr std::uint32_t kSurfacePalette = 0x04000002;

// Indices 0 1 2 0 / 1 1 1 1.
const Texture kPalettedTexture = texture(Kind::P8, 4, 2, {0, 1, 2, 0, 1, 1, 1, 1}, kDefaultPalette);
const Palette kDefault{kDefaultPalette, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF}};
// Index 1 is just below half opaque: the dominant colour passes it over,
// and its alpha must reach the PNG.
const Palette kOwn{kSurfacePalette, {0xFF111111, 0x7F224466, 0xFF333333}};

ArchiveBuilder sample_archive() {
  ArchiveBuilder archive;
  archive.add_file(kSolid, solid_surface(0xFF102030));
  archive.add_file(kOverride, textured_surface(0x05000001, kSurfacePalette));
  archive.add_file(kDirect, textured_surface(0x05000002, kSurfacePalette));
  archive.add_file(0x08000004, textured_surface(0x05000003));
  archive.add_file(0x08000005, Bytes{1, 2, 3});
  archive.add_file(0x08000006, textured_surface(0x05000004));
  archive.add_file(0x08000007, textured_surface(0x05000003));
  archive.add_file(0x05000001, mip_list({0x06000000, kPaletted}));
  archive.add_file(0x05000002, mip_list({0x06000002}));
  archive.add_file(0x05000003, mip_list({}));
  archive.add_file(0x05000004, mip_list({0x06000099}));
  archive.add_file(kPaletted, encode(kPalettedTexture), {.compress = true});
  archive.add_file(0x06000002,
                   encode(texture(Kind::A8R8G8B8, 2, 1, {0x30, 0x20, 0x10, 0xFF, 1, 2, 3, 4})));
  archive.add_file(kDefaultPalette, encode(kDefault));
  archive.add_file(kSurfacePalette, encode(kOwn));
  return archive;
}

void write_text(const fs::path& path, const std::string& text) {
  test_support::write_file(path, std::vector<char>(text.begin(), text.end()));
}

// Runs portal-inspect in a temporary directory holding the archive as portal.dat.
class InspectTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_.write_archive(sample_archive()); }

  test_support::ProcessResult inspect(std::vector<std::string> args) const {
    args.insert(args.begin(), "portal.dat");
    return run(args);
  }

  test_support::ProcessResult run(const std::vector<std::string>& args) const {
    return dir_.run(PORTAL_INSPECT_BIN, args);
  }

  ToolDir dir_;
};

TEST_F(InspectTest, LsListsTheIndexInIdOrder) {
  const auto db = DatDatabase::open(dir_ / "portal.dat");
  ASSERT_TRUE(db);
  // Block offsets are the writer's to choose; they are taken from the index.
  const auto line = [&db](std::uint32_t id, std::uint32_t size, bool compressed) {
    char text[64];
    std::snprintf(text, sizeof text, "0x%08X  %10u  %s         0x%08X\n", id, size,
                  compressed ? "yes" : "no ", db->index().find(id)->second.offset);
    return std::string(text);
  };
  const std::string header = "ID                SIZE  COMPRESSED  OFFSET\n";
  const auto surfaces = inspect({"ls", "--type", "0x08"});
  EXPECT_EQ(surfaces.status, 0);
  EXPECT_EQ(surfaces.out, header + line(0x08000001, 20, false) + line(0x08000002, 24, false) +
                              line(0x08000003, 24, false) + line(0x08000004, 24, false) +
                              line(0x08000005, 3, false) + line(0x08000006, 24, false) +
                              line(0x08000007, 24, false));
  const auto textures = inspect({"ls", "--type=6"});
  EXPECT_EQ(textures.out, header + line(kPaletted, db->index().find(kPaletted)->second.size, true) +
                              line(0x06000002, 32, false));
  const auto all = inspect({"ls"});
  EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 16);
  EXPECT_EQ(inspect({"ls", "--type", "0x108"}).status, 2);
}

TEST_F(InspectTest, CatWritesTheBytesGetFileReturns) {
  const auto run = inspect({"cat", "6000001", "--out", "texture.bin"});
  const Bytes expected = encode(kPalettedTexture);  // stored compressed, written decompressed
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "wrote texture.bin (" + std::to_string(expected.size()) + " bytes)\n");
  EXPECT_EQ(read_file(dir_ / "texture.bin"), std::string(expected.begin(), expected.end()));
}

TEST_F(InspectTest, ExplainShowsEachRecordOfASolidSurface) {
  const auto run = inspect({"explain", "0x08000001"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "surface 0x08000001\n"
            "  surface_type     0x00000001 (solid)\n"
            "  color_value      0xFF102030\n"
            "  translucency     0x00000000\n"
            "  luminosity       0x00000000\n"
            "  diffuse          0x00000000\n"
            "colour             [16, 32, 48], the surface's own colour word\n");
}

TEST_F(InspectTest, ExplainShowsThePaletteChoiceOfATexturedSurface) {
  const auto run = inspect({"explain", "0x08000002"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "surface 0x08000002\n"
            "  surface_type     0x00000002 (textured)\n"
            "  orig_texture_id  0x05000001\n"
            "  orig_palette_id  0x04000002\n"
            "  translucency     0x00000000\n"
            "  luminosity       0x00000000\n"
            "  diffuse          0x00000000\n"
            "surface texture 0x05000001\n"
            "  textures         0x06000000 0x06000001 (2 mips; the last is decoded)\n"
            "texture 0x06000001\n"
            "  format           P8 (41)\n"
            "  size             4 x 2\n"
            "  source_data      8 bytes\n"
            "  default palette  0x04000001\n"
            "palette            0x04000002: the surface's own, in place of the texture's "
            "default 0x04000001\n"
            "  colors           3\n"
            "pixels             8 (4 x 2 RGBA8), 3 with alpha 128 or more\n"
            "colour             [17, 17, 17], the dominant colour of the pixels\n");

  const auto direct = inspect({"explain", "0x08000003"});
  EXPECT_EQ(direct.status, 0);
  EXPECT_NE(direct.out.find("  format           A8R8G8B8 (21)\n"
                            "  size             2 x 1\n"
                            "  source_data      8 bytes\n"
                            "palette            none: A8R8G8B8 is not palette-indexed\n"
                            "pixels             2 (2 x 1 RGBA8), 1 with alpha 128 or more\n"
                            "colour             [16, 32, 48], the dominant colour of the pixels\n"),
            std::string::npos)
      << direct.out;
}

TEST(InspectExplain, SaysWhenTheColourIsTheFallbackGrey) {
  ToolDir dir;
  ArchiveBuilder archive;
  archive.add_file(0x08000001, textured_surface(0x05000001));
  archive.add_file(0x05000001, mip_list({0x06000001}));
  archive.add_file(0x06000001,
                   encode(texture(Kind::A8R8G8B8, 2, 1, {0x30, 0x20, 0x10, 0x7F, 1, 2, 3, 0})));
  dir.write_archive(archive);
  const auto run = dir.run(PORTAL_INSPECT_BIN, {"portal.dat", "explain", "0x08000001"});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.out.ends_with(
      "pixels             2 (2 x 1 RGBA8), 0 with alpha 128 or more\n"
      "colour             [128, 128, 128], the fallback grey, as no pixel has alpha 128 or more\n"))
      << run.out;
}

TEST_F(InspectTest, ExplainEndsAFailingSurfaceWithTheErrorChain) {
  const auto no_mips = inspect({"explain", "0x08000004"});
  EXPECT_EQ(no_mips.status, 1);
  EXPECT_TRUE(
      no_mips.out.ends_with("surface texture 0x05000003\n"
                            "  textures         none\n"
                            "failed\n"
                            "Error: SurfaceTexture has no mips\n"))
      << no_mips.out;
  EXPECT_EQ(no_mips.err,
            "portal-inspect: surface 0x08000004 does not resolve: SurfaceTexture has no mips\n");

  const auto short_record = inspect({"explain", "0x08000005"});
  EXPECT_EQ(short_record.status, 1);
  EXPECT_TRUE(short_record.out.starts_with("surface 0x08000005\nfailed\nError: \n"));
  EXPECT_NE(short_record.out.find("While parsing field 'surface_type' in Surface"),
            std::string::npos);
  EXPECT_EQ(short_record.err,
            "portal-inspect: surface 0x08000005 does not resolve: failed to fill whole buffer, "
            "while parsing field 'surface_type' in Surface\n");
}

TEST_F(InspectTest, ErrorsCountsFailureMessagesMostFrequentFirst) {
  const auto run = inspect({"errors"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "7 surfaces: 3 resolved, 4 failed\n"
            "\n"
            "  COUNT  MESSAGE\n"
            "      2  SurfaceTexture has no mips\n"
            "         0x08000004 0x08000007\n"
            "      1  failed to fill whole buffer, while parsing field 'surface_type' in Surface\n"
            "         0x08000005\n"
            "      1  File ID 06000099 not found in provider\n"
            "         0x08000006\n");

  const auto ids = inspect({"errors", "--ids"});
  EXPECT_EQ(ids.status, 0);
  EXPECT_EQ(ids.out,
            "0x08000004\tSurfaceTexture has no mips\n"
            "0x08000005\tfailed to fill whole buffer, while parsing field 'surface_type' in "
            "Surface\n"
            "0x08000006\tFile ID 06000099 not found in provider\n"
            "0x08000007\tSurfaceTexture has no mips\n");
}

TEST(InspectErrors, MessagesThatDifferOnlyInIdsShareARow) {
  // 300 surfaces, each naming a SurfaceTexture of its own that is missing.
  ToolDir dir;
  ArchiveBuilder archive;
  for (std::uint32_t i = 0; i < 300; ++i) {
    archive.add_file(0x08000000 + i, textured_surface(0x05000000 + i));
  }
  dir.write_archive(archive);
  const auto run = dir.run(PORTAL_INSPECT_BIN, {"portal.dat", "errors"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "300 surfaces: 0 resolved, 300 failed\n"
            "\n"
            "  COUNT  MESSAGE\n"
            "    300  File ID {id} not found in provider\n"
            "         0x08000000 0x08000001 0x08000002 0x08000003 0x08000004\n");
}

TEST_F(InspectTest, TextureDrawsWithThePaletteTheSurveyChooses) {
  struct Case {
    std::string id;
    const Palette& palette;
  };
  for (const Case& c : {Case{"0x08000002", kOwn}, Case{"0x06000001", kDefault}}) {
    const auto run = inspect({"texture", c.id, "--out", "out.png"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "wrote out.png (4 x 2)\n");
    const auto png = read_png(dir_ / "out.png");
    ASSERT_TRUE(png) << c.id;
    EXPECT_EQ(png->width, 4u);
    EXPECT_EQ(png->height, 2u);
    for (std::uint32_t i = 0; i < 8; ++i) {
      const std::uint32_t word = c.palette.colors[kPalettedTexture.source_data[i]];
      const Rgba expected{static_cast<std::uint8_t>(word >> 16),
                          static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word),
                          static_cast<std::uint8_t>(word >> 24)};
      EXPECT_EQ(png->at(i % 4, i / 4), expected) << c.id << " pixel " << i;
    }
  }
}

TEST_F(InspectTest, SwatchDrawsOneSquarePerSurfaceInIdOrder) {
  write_text(dir_ / "report.json", std::string("{\n"
                                               "  \"0x08000001\": [255, 0, 0],\n"
                                               "  \"0x08000002\": [0, 255, 0],\n"
                                               "  \"0x08000003\": [0, 0, 255]\n"
                                               "}\n"));
  const auto result = run({"swatch", "report.json", "--out", "sheet.png"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "wrote sheet.png (3 swatches, 2 to a row)\n");
  const auto png = read_png(dir_ / "sheet.png");
  ASSERT_TRUE(png);
  // Two columns and two rows of 16-pixel squares, 2 pixels apart and from the edge.
  EXPECT_EQ(png->width, 38u);
  EXPECT_EQ(png->height, 38u);
  const Rgba background{40, 40, 40, 255};
  EXPECT_EQ(png->at(0, 0), background);
  EXPECT_EQ(png->at(2, 2), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(png->at(17, 17), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(png->at(18, 2), background);
  EXPECT_EQ(png->at(20, 2), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(png->at(2, 35), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(png->at(20, 20), background);
}

TEST_F(InspectTest, BadInputIsOneLineAndStatusOne) {
  fs::create_directory(dir_ / "taken");
  write_text(dir_ / "report.json", std::string("{\n  \"0x08000001\": [1, 2]\n}\n"));
  write_text(dir_ / "empty.json", std::string("{\n}\n"));
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"portal.dat", "cat", "0x07000000", "--out", "x"}, "no file 0x07000000 in the archive"},
      {{"portal.dat", "explain", "0x06000001"},
       "0x06000001 is not a surface: surface ids run from 0x08000000 to 0x08FFFFFF"},
      {{"portal.dat", "texture", "0x08000001", "--png", "x.png"},
       "surface 0x08000001 is solid: it has no texture to draw"},
      {{"portal.dat", "texture", "0x04000001", "--png", "x.png"},
       "0x04000001 is not a Texture: Binary read error: failed to fill whole buffer, while "
       "parsing field 'length' in Texture"},
      {{"portal.dat", "texture", "0x08000002", "--png", "taken"},
       "write taken: Is a directory (os error 21)"},
      {{"missing.dat", "ls"},
       "open missing.dat: Failed to open file at missing.dat: No such file or directory (os "
       "error 2)"},
      {{"swatch", "report.json", "--png", "x.png"},
       "report.json: line 2: the value of \"0x08000001\" must be [r, g, b], found an array of 2"},
      {{"swatch", "empty.json", "--png", "x.png"}, "empty.json holds no surfaces: nothing to draw"},
      {{"swatch", "none.json", "--png", "x.png"},
       "read none.json: No such file or directory (os error 2)"},
  };
  for (const auto& c : cases) {
    const auto result = run(c.args);
    EXPECT_EQ(result.status, 1) << c.args[1];
    EXPECT_EQ(result.err, "portal-inspect: " + c.err + "\n");
    EXPECT_EQ(result.out, "");
  }
  EXPECT_FALSE(fs::exists(dir_ / "x.png"));
}

// A failure is printed once, with every control character that a file name,
// a report key or the archive brings written as an escape.
TEST_F(InspectTest, FailuresNeverPrintControlCharacters) {
  write_text(dir_ / "keys.json", std::string("{\n  \"\xC2\x9Bm\": [1, 2, 3]\n}\n"));
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"a\x1b[2Jb.dat", "ls"},
       "open a\\x1b[2Jb.dat: Failed to open file at a\\x1b[2Jb.dat: No such file or directory "
       "(os error 2)"},
      {{"swatch", "keys.json", "--png", "x.png"},
       "keys.json: line 2: key \"\\u{9b}m\" is not an id written \"0x\" and eight upper-case "
       "hex digits"},
  };
  for (const auto& c : cases) {
    const auto result = run(c.args);
    EXPECT_EQ(result.status, 1) << c.err;
    EXPECT_EQ(result.err, "portal-inspect: " + c.err + "\n");
  }
}

TEST_F(InspectTest, UsageErrorsAndHelp) {
  const std::vector<std::vector<std::string>> usage_errors = {
      {},
      {"portal.dat"},
      {"ls"},
      {"portal.dat", "frobnicate"},
      {"portal.dat", "cat", "0x08000001"},
      {"portal.dat", "explain"},
      {"portal.dat", "explain", "0x108000001"},
      {"portal.dat", "explain", "0x08000001", "0x08000002"},
      {"portal.dat", "ls", "--png", "x.png"},
      {"portal.dat", "texture", "0x08000001", "--png"},
      {"portal.dat", "ls", "--verbose"},
      {"portal.dat", "ls", "--ids"},
      {"portal.dat", "errors", "--ids=yes"},
      {"portal.dat", "cat", "0x08000001", "--png", "x.png"},
  };
  for (const auto& args : usage_errors) {
    const auto result = run(args);
    EXPECT_EQ(result.status, 2) << (args.empty() ? "" : args.back());
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("Usage: portal-inspect"), std::string::npos) << result.err;
    EXPECT_TRUE(result.err.ends_with(" --help' for more information.\n")) << result.err;
  }
  const auto help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.find("  explain ID                 Resolve one surface step by step") !=
              std::string::npos)
      << help.out;
  const auto command_help = run({"portal.dat", "swatch", "-h"});
  EXPECT_EQ(command_help.status, 0);
  EXPECT_TRUE(
      command_help.out.starts_with("Usage: portal-inspect [ARCHIVE] swatch REPORT --out FILE\n\n"));
  EXPECT_EQ(command_help.err, "");
}

// The sample archive of mkportal, whose report is worked out by hand in tests/data.
class InspectSampleTest : public test_support::InspectSampleSuite {
 protected:
  // The "[r, g, b]" the worked-out report holds for `id`, e.g. "0x08000005".
  static std::string reported(const std::string& id) {
    const std::string report = read_file(fs::path(TEST_DATA_DIR) / "sample_tintsurvey.json");
    const std::size_t key = report.find("\"" + id + "\": ");
    if (key == std::string::npos) return "";
    const std::size_t open = report.find('[', key);
    return report.substr(open, report.find(']', open) + 1 - open);
  }

};

TEST_F(InspectSampleTest, ErrorsListTheSurfacesTheSampleBreaks) {
  const auto run = inspect({"errors"});
  EXPECT_EQ(run.status, 0);
  // Every 21st surface from the 10th is broken, the seven faults in turn;
  // the two missing SurfaceTextures differ only in their ids.
  EXPECT_EQ(run.out,
            "300 surfaces: 286 resolved, 14 failed\n"
            "\n"
            "  COUNT  MESSAGE\n"
            "      2  File ID {id} not found in provider\n"
            "         0x0800000A 0x0800009D\n"
            "      2  SurfaceTexture has no mips\n"
            "         0x0800001F 0x080000B2\n"
            "      2  unsupported pixel format: R5G6B5\n"
            "         0x08000034 0x080000C7\n"
            "      2  source_data too short for declared width/height\n"
            "         0x08000049 0x080000DC\n"
            "      2  palette fetch failed: 0x04000F00: File ID 04000F00 not found in provider\n"
            "         0x0800005E 0x080000F1\n"
            "      2  pixel index out of palette range\n"
            "         0x08000073 0x08000106\n"
            "      2  failed to fill whole buffer, while parsing field 'orig_palette_id' in "
            "TextureRefs\n"
            "         0x08000088 0x0800011B\n");
}

TEST_F(InspectSampleTest, ExplainShowsHowASampleFaultFails) {
  const auto run = inspect({"explain", "0x0800005E"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(
      run.out.ends_with("  default palette  0x04000F00\n"
                        "palette            0x04000F00: the texture's default, as the "
                        "surface names no palette of its own\n"
                        "failed\n"
                        "Error: palette fetch failed: 0x04000F00: File ID 04000F00 not "
                        "found in provider\n"))
      << run.out;
}

// A textured surface of the sample shows its colour, and on the pixels where
// (x + y) % 4 == 3 a colour whose red differs from it in the top bit. Its
// R8G8B8 texture draws without a palette.
TEST_F(InspectSampleTest, TexturePngHoldsTheTwoTones) {
  const auto run = inspect({"texture", "0x08000001", "--png", "tones.png"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto png = read_png(dir_->path() / "tones.png");
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 6u);
  EXPECT_EQ(png->height, 5u);
  for (const auto& [x, y] : {std::pair{0u, 0u}, std::pair{1u, 1u}}) {
    const Rgba pixel = png->at(x, y);
    EXPECT_EQ("[" + std::to_string(pixel[0]) + ", " + std::to_string(pixel[1]) + ", " +
                  std::to_string(pixel[2]) + "]",
              reported("0x08000001"))
        << x << "," << y;
  }
  for (const auto& [x, y] : {std::pair{3u, 0u}, std::pair{1u, 2u}}) {
    EXPECT_EQ((png->at(x, y)[0] ^ png->at(0, 0)[0]) & 0x80, 0x80) << x << "," << y;
  }
}

TEST_F(InspectSampleTest, SwatchOfTheSampleReport) {
  const auto run = dir_->run(
      PORTAL_INSPECT_BIN,
      {"swatch", (fs::path(TEST_DATA_DIR) / "sample_tintsurvey.json").string(), "--png", "s.png"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto png = read_png(dir_->path() / "s.png");
  ASSERT_TRUE(png);
  // 286 swatches: 17 to a row, 17 rows, the last holding 14.
  EXPECT_EQ(png->width, 17u * 18 + 2);
  EXPECT_EQ(png->height, 17u * 18 + 2);
  EXPECT_EQ(png->at(2, 2), (Rgba{193, 92, 2, 255}));                        // 0x08000000
  EXPECT_EQ(png->at(2 + 13 * 18, 2 + 16 * 18), (Rgba{169, 130, 92, 255}));  // 0x08FFFFFF
  EXPECT_EQ(png->at(2 + 14 * 18, 2 + 16 * 18), (Rgba{40, 40, 40, 255}));
}

}  // namespace
