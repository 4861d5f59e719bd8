#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "brackwater/survey/dominant.hpp"
#include "brackwater/survey/resolve.hpp"
#include "tool_dir.hpp"

namespace {

using test_support::read_file;
using test_support::ToolDir;

std::string first_line(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

TEST(MkportalCliTest, HelpGoesToStandardOutput) {
  ToolDir dir;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-h"}, {"--help"}, {"sample", "out.dat", "--help"}}) {
    const auto run = dir.run(MKPORTAL_BIN, args);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.starts_with("Write a synthetic portal archive")) << run.out;
    EXPECT_NE(run.out.find("mkportal large OUT [--scale X] [--seed N]"), std::string::npos);
    EXPECT_EQ(run.err, "");
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(MkportalCliTest, UsageErrorsExitTwoBeforeWritingAnything) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{}, "missing profile: sample or large"},
      {{"huge", "a.dat"}, "unknown profile 'huge': sample or large"},
      {{"sample"}, "missing OUT for sample"},
      {{"sample", ""}, "the OUT path must not be empty"},
      {{"sample", "a.dat", "b.dat"}, "unexpected argument 'b.dat'"},
      {{"sample", "a.dat", "--bogus"}, "unrecognised option '--bogus'"},
      {{"sample", "a.dat", "--seed"}, "option '--seed' needs a value"},
      {{"sample", "a.dat", "--seed=1", "--seed", "2"}, "option '--seed' given more than once"},
      {{"sample", "a.dat", "--seed", "-1"}, "invalid value '-1' for '--seed': expected an unsigned decimal integer"},
      {{"sample", "a.dat", "--seed", "18446744073709551616"},
       "invalid value '18446744073709551616' for '--seed': expected an unsigned decimal "
       "integer"},
      {{"sample", "a.dat", "--scale", "2"}, "sample takes no option '--scale'"},
      {{"large", "a.dat", "--scale", "0"},
       "invalid value '0' for '--scale': expected a decimal number above 0 and at most 7"},
      {{"large", "a.dat", "--scale=7.5"},
       "invalid value '7.5' for '--scale': expected a decimal number above 0 and at most 7"},
      {{"large", "a.dat", "--scale", "1e2"},
       "invalid value '1e2' for '--scale': expected a decimal number above 0 and at most 7"},
  };
  for (const Case& c : cases) {
    ToolDir dir;
    const auto run = dir.run(MKPORTAL_BIN, c.args);
    EXPECT_EQ(run.status, 2) << c.message;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(first_line(run.err), "mkportal: " + c.message);
    EXPECT_NE(run.err.find("\nUsage: mkportal sample OUT [--seed N]\n"), std::string::npos)
        << run.err;
    EXPECT_TRUE(run.err.ends_with("Try 'mkportal --help' for more information.\n")) << run.err;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << c.message;
  }
}

TEST(MkportalCliTest, FailuresExitOneAndLeaveNoArchive) {
  ToolDir dir;
  test_support::write_file(dir / "file", std::vector<std::uint8_t>{1});
  std::filesystem::create_directory(dir / "directory");
  struct Case {
    std::string out;
    std::string message;
  };
  const Case cases[] = {
      {"file/sample.dat", "mkportal: cannot create directory file: Not a directory\n"},
      {"directory", "mkportal: cannot write directory: Is a directory\n"},
  };
  for (const Case& c : cases) {
    const auto run = dir.run(MKPORTAL_BIN, {"sample", c.out});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.message);
  }
  EXPECT_EQ(read_file(dir / "file"), "\x01");
  EXPECT_TRUE(std::filesystem::is_empty(dir / "directory"));
}

TEST(MkportalCliTest, SameSeedSameBytes) {
  ToolDir dir;
  ASSERT_EQ(dir.run(MKPORTAL_BIN, {"sample", "a/one.dat"}).status, 0);
  ASSERT_EQ(dir.run(MKPORTAL_BIN, {"sample", "two.dat", "--seed", "1"}).status, 0);
  ASSERT_EQ(dir.run(MKPORTAL_BIN, {"sample", "three.dat", "--seed=2"}).status, 0);
  EXPECT_TRUE(read_file(dir / "a/one.dat") == read_file(dir / "two.dat"));
  EXPECT_FALSE(read_file(dir / "two.dat") == read_file(dir / "three.dat"));
}

TEST(MkportalCliTest, LargeArchiveAtASmallScale) {
  ToolDir dir;
  const auto made =
      dir.run(MKPORTAL_BIN, {"large", "large.dat", "--scale", "0.002", "--seed", "7"});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_TRUE(made.err.starts_with("mkportal: wrote large.dat: ")) << made.err;
  EXPECT_NE(made.err.find(" files, 20 surfaces ("), std::string::npos) << made.err;

  auto db = brackwater::dat::DatDatabase::open(dir / "large.dat");
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(db->header().block_size, 1024u);
  std::size_t surfaces = 0;
  for (const auto& [id, entry] : db->index()) surfaces += id >> 24 == 0x08 ? 1 : 0;
  EXPECT_EQ(surfaces, 20u);

  const auto run = dir.run(TINTSURVEY_BIN, {"--portal-dat", "large.dat", "--out", "l.json"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.err.starts_with("tintsurvey: found 20 surfaces")) << run.err;
}

// The first mip's dominant colour beside the colour the survey takes from the
// last: every textured surface that resolves, the fallback grey aside.
struct MipColours {
  brackwater::survey::Rgb first;
  brackwater::survey::Rgb last;
};

std::vector<MipColours> first_and_last_mip_colours(const std::filesystem::path& archive) {
  namespace dat = brackwater::dat;
  namespace survey = brackwater::survey;
  std::vector<MipColours> found;
  const auto db = dat::DatDatabase::open(archive);
  EXPECT_TRUE(db);
  if (!db) return found;
  for (const auto& [id, entry] : db->index()) {
    if (id >> 24 != 0x08) continue;
    const auto colour = survey::dominant_for(*db, id);
    if (!colour || colour->solid || colour->fallback_grey) continue;
    const auto surface = dat::Surface::unpack(*db->get_file(id));
    const auto mips = dat::SurfaceTexture::unpack(
        *db->get_file(surface->texture_refs->orig_texture_id));
    const auto first = dat::Texture::unpack(*db->get_file(mips->textures.front()));
    const auto pixels = survey::texture_rgba8(
        *db, *first, survey::choose_palette(*first, surface->texture_refs->orig_palette_id));
    EXPECT_TRUE(pixels) << std::hex << id;
    if (pixels) found.push_back({survey::dominant_rgb(*pixels), colour->rgb});
  }
  return found;
}

TEST(MkportalArtTest, EveryMipOfTheSampleIsTheFirstShrunk) {
  ToolDir dir;
  ASSERT_EQ(dir.run(MKPORTAL_BIN, {"sample", "sample.dat"}).status, 0);
  const auto colours = first_and_last_mip_colours(dir / "sample.dat");
  EXPECT_EQ(colours.size(), 263u);
  for (const auto& [first, last] : colours) EXPECT_TRUE(first == last);
}

TEST(MkportalArtTest, TheLargeArchivesLastMipsLookLikeTheirFirst) {
  ToolDir dir;
  ASSERT_EQ(dir.run(MKPORTAL_BIN, {"large", "large.dat", "--scale", "0.01"}).status, 0);
  const auto colours = first_and_last_mip_colours(dir / "large.dat");
  EXPECT_GT(colours.size(), 70u);
  const auto near = [](std::uint8_t a, std::uint8_t b) { return std::abs(a - b) <= 40; };
  for (const auto& [first, last] : colours) {
    EXPECT_TRUE(near(first.r, last.r) && near(first.g, last.g) && near(first.b, last.b))
        << +first.r << " " << +first.g << " " << +first.b << " against " << +last.r << " "
        << +last.g << " " << +last.b;
  }
}

}  // namespace
