#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/records.hpp"
#include "run_process.hpp"
#include "temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using brackwater::dat::Bytes;
using brackwater::dat::Palette;
using brackwater::dat::PixelFormat;
using brackwater::dat::Surface;
using brackwater::dat::SurfaceTexture;
using brackwater::dat::Texture;
using brackwater::dat::TextureRefs;
using portal_fixture::ArchiveBuilder;
using portal_fixture::encode;
using test_support::read_file;
using test_support::TempDir;

constexpr std::uint32_t kSolidType = 0x1;     // no bit of the textured mask 0x6
constexpr std::uint32_t kTexturedType = 0x2;  // one bit of it
const std::string kEmptyReport = "{\n}\n";

Bytes solid_surface(std::uint32_t color_word) {
  Surface surface;
  surface.surface_type = kSolidType;
  surface.color_value = color_word;
  return encode(surface);
}

Bytes textured_surface(std::uint32_t surface_texture_id, std::uint32_t palette_id = 0) {
  Surface surface;
  surface.surface_type = kTexturedType;
  surface.texture_refs = TextureRefs{surface_texture_id, palette_id};
  return encode(surface);
}

Bytes mip_list(std::vector<std::uint32_t> texture_ids) {
  return encode(SurfaceTexture{.textures = std::move(texture_ids)});
}

// A `side` x `side` texture whose every pixel is stored as `pixel`.
Bytes uniform_texture(PixelFormat::Kind format, std::int32_t side, const Bytes& pixel,
                      std::optional<std::uint32_t> palette_id = std::nullopt) {
  Texture texture;
  texture.width = side;
  texture.height = side;
  texture.format_raw = static_cast<std::uint32_t>(format);
  for (std::int32_t i = 0; i < side * side; ++i) {
    texture.source_data.insert(texture.source_data.end(), pixel.begin(), pixel.end());
  }
  texture.length = static_cast<std::int32_t>(texture.source_data.size());
  texture.default_palette_id = palette_id;
  return encode(texture);
}

// `count` solid surfaces with consecutive ids from 0x08000000.
ArchiveBuilder solid_surfaces(std::uint32_t count) {
  ArchiveBuilder archive;
  for (std::uint32_t i = 0; i < count; ++i) {
    archive.add_file(0x08000000 + i, solid_surface(0xFF000000 | i));
  }
  return archive;
}

std::string found_line(std::size_t total, std::size_t processed) {
  return "tintsurvey: found " + std::to_string(total) + " surfaces in portal DAT; processing " +
         std::to_string(processed) + "\n";
}

std::string done_line(std::size_t solid, std::size_t textured, std::size_t errors) {
  return "done. resolved=" + std::to_string(solid + textured) + " (solid=" + std::to_string(solid) +
         " textured=" + std::to_string(textured) + ") errors=" + std::to_string(errors) + "\n";
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> progress_lines(const std::string& text) {
  std::vector<std::string> progress;
  for (const std::string& line : lines_of(text)) {
    if (line.starts_with("  [")) progress.push_back(line);
  }
  return progress;
}

// Runs the tool in a temporary directory that holds the archive as portal.dat.
class SurveyRunTest : public ::testing::Test {
 protected:
  void write_archive(const ArchiveBuilder& archive) {
    const auto written = archive.write(dir_ / "portal.dat");
    ASSERT_TRUE(written) << written.error();
  }

  test_support::ProcessResult survey(std::vector<std::string> args) const {
    args.insert(args.begin(), {"--portal-dat", "portal.dat"});
    return test_support::run_process(TINTSURVEY_BIN, args, dir_.path());
  }

  TempDir dir_;
};

TEST_F(SurveyRunTest, ArchiveWithoutSurfacesWritesAnEmptyObject) {
  ArchiveBuilder no_files;
  ArchiveBuilder other_records;
  other_records.add_file(0x04000001, encode(Palette{.id = 0x04000001, .colors = {0xFF102030}}));
  other_records.add_file(0x05000001, mip_list({0x06000001}));
  for (const ArchiveBuilder* archive : {&no_files, &other_records}) {
    write_archive(*archive);
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

TEST_F(SurveyRunTest, SurfaceIdsAreExactlyThoseWithTopByte08) {
  ArchiveBuilder archive;
  archive.add_file(0x09000000, solid_surface(0xFF010101));
  archive.add_file(0x08FFFFFF, solid_surface(0xFFFFFFFF));
  archive.add_file(0x07FFFFFF, solid_surface(0xFF020202));
  archive.add_file(0x08000000, solid_surface(0xFF7E6247));
  write_archive(archive);
  const auto run = survey({"--out", "out.json"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "tintsurvey: found 2 surfaces in portal DAT; processing 2\n"
            "  [    1/    2] ok=1 (solid=1 textured=0) err=0\n"
            "done. resolved=2 (solid=2 textured=0) errors=0\n"
            "wrote out.json (0.1 KB)\n");
  EXPECT_EQ(read_file(dir_ / "out.json"),
            "{\n"
            "  \"0x08000000\": [126, 98, 71],\n"
            "  \"0x08FFFFFF\": [255, 255, 255]\n"
            "}\n");
}

TEST_F(SurveyRunTest, LimitTakesTheLowestIds) {
  ArchiveBuilder archive;
  for (const std::uint32_t id : {0x08000030u, 0x08000010u, 0x08000050u, 0x08000020u, 0x08000040u}) {
    archive.add_file(id, solid_surface(id & 0xFF));
  }
  write_archive(archive);
  const std::vector<std::string> entries = {
      "  \"0x08000010\": [0, 0, 16]", "  \"0x08000020\": [0, 0, 32]",
      "  \"0x08000030\": [0, 0, 48]", "  \"0x08000040\": [0, 0, 64]",
      "  \"0x08000050\": [0, 0, 80]",
  };
  struct Case {
    std::string limit;
    std::size_t processed;
  };
  for (const Case& c :
       {Case{"0", 5}, Case{"3", 3}, Case{"6", 5}, Case{"18446744073709551615", 5}}) {
    const auto run = survey({"--out", "out.json", "--limit", c.limit});
    EXPECT_EQ(run.status, 0) << c.limit;
    EXPECT_TRUE(run.err.starts_with(found_line(5, c.processed))) << run.err;
    EXPECT_NE(run.err.find(done_line(c.processed, 0, 0)), std::string::npos) << run.err;
    std::string report = "{\n";
    for (std::size_t i = 0; i < c.processed; ++i) {
      report += entries[i] + (i + 1 < c.processed ? ",\n" : "\n");
    }
    EXPECT_EQ(read_file(dir_ / "out.json"), report + "}\n") << c.limit;
  }
}

TEST_F(SurveyRunTest, ProgressLinesAboutEveryTwentiethOfTheWay) {
  struct Case {
    std::uint32_t surfaces;
    std::size_t lines;
    std::string first;
    std::string last;
  };
  const Case cases[] = {
      {1, 0, "", ""},
      {19, 18, "  [    1/   19] ok=1 (solid=1 textured=0) err=0",
       "  [   18/   19] ok=18 (solid=18 textured=0) err=0"},
      {39, 38, "  [    1/   39] ok=1 (solid=1 textured=0) err=0",
       "  [   38/   39] ok=38 (solid=38 textured=0) err=0"},
      {40, 19, "  [    2/   40] ok=2 (solid=2 textured=0) err=0",
       "  [   38/   40] ok=38 (solid=38 textured=0) err=0"},
      {41, 20, "  [    2/   41] ok=2 (solid=2 textured=0) err=0",
       "  [   40/   41] ok=40 (solid=40 textured=0) err=0"},
      {100, 19, "  [    5/  100] ok=5 (solid=5 textured=0) err=0",
       "  [   95/  100] ok=95 (solid=95 textured=0) err=0"},
  };
  for (const Case& c : cases) {
    write_archive(solid_surfaces(c.surfaces));
    const auto run = survey({"--out", "out.json"});
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> lines = lines_of(run.err);
    ASSERT_EQ(lines.size(), c.lines + 3) << run.err;
    EXPECT_EQ(lines.front() + "\n", found_line(c.surfaces, c.surfaces));
    EXPECT_EQ(lines[c.lines + 1] + "\n", done_line(c.surfaces, 0, 0));
    const std::vector<std::string> progress = progress_lines(run.err);
    ASSERT_EQ(progress.size(), c.lines) << run.err;
    if (c.lines == 0) continue;
    EXPECT_EQ(progress.front(), c.first);
    EXPECT_EQ(progress.back(), c.last);
  }
}

TEST_F(SurveyRunTest, CreatesMissingDirectoriesOrWritesInTheWorkingDirectory) {
  ArchiveBuilder archive;
  archive.add_file(0x08000000, solid_surface(0xFF7E6247));
  write_archive(archive);
  for (const std::string out : {"a/b/c/out.json", "out.json"}) {
    const auto run = survey({"--out", out});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.ends_with(done_line(1, 0, 0) + "wrote " + out + " (0.0 KB)\n")) << run.err;
    EXPECT_EQ(read_file(dir_ / out), "{\n  \"0x08000000\": [126, 98, 71]\n}\n");
  }
}

TEST_F(SurveyRunTest, SecondRunReplacesALongerReportCompletely) {
  write_archive(solid_surfaces(30));
  ASSERT_EQ(survey({"--out", "out.json"}).status, 0);
  ASSERT_EQ(lines_of(read_file(dir_ / "out.json")).size(), 32u);

  const auto run = survey({"--out", "out.json", "--limit", "1"});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.err.ends_with("wrote out.json (0.0 KB)\n")) << run.err;
  EXPECT_EQ(read_file(dir_ / "out.json"), "{\n  \"0x08000000\": [0, 0, 0]\n}\n");
}

// The survey has run when the report fails: the "done." line comes before
// the error, and there is no "wrote" line.
const std::string kSurveyOfOne = found_line(1, 1) + done_line(1, 0, 0);

TEST_F(SurveyRunTest, UnwritableOutputIsFatalAfterTheSurvey) {
  ArchiveBuilder archive;
  archive.add_file(0x08000000, solid_surface(0xFF7E6247));
  write_archive(archive);
  test_support::write_file(dir_ / "blocker", Bytes{});
  fs::create_directory(dir_ / "outdir");
  struct Case {
    std::string out;
    std::string error;
  };
  const Case cases[] = {
      {"blocker/out.json",
       "Error: create dir blocker\n\nCaused by:\n    File exists (os error 17)\n"},
      {"blocker/sub/out.json",
       "Error: create dir blocker/sub\n\nCaused by:\n    Not a directory (os error 20)\n"},
      {"outdir", "Error: write outdir\n\nCaused by:\n    Is a directory (os error 21)\n"},
      {"outdir/", "Error: write outdir/\n\nCaused by:\n    Is a directory (os error 21)\n"},
  };
  for (const Case& c : cases) {
    const auto run = survey({"--out", c.out});
    EXPECT_EQ(run.status, 1) << c.out;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, kSurveyOfOne + c.error);
  }
  EXPECT_EQ(fs::file_size(dir_ / "blocker"), 0u);
  EXPECT_TRUE(fs::is_empty(dir_ / "outdir"));
}

TEST_F(SurveyRunTest, ReadOnlyOutputDirectoryIsFatal) {
  if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not bind root";
  ArchiveBuilder archive;
  archive.add_file(0x08000000, solid_surface(0xFF7E6247));
  write_archive(archive);
  fs::create_directory(dir_ / "ro");
  fs::permissions(dir_ / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  struct Case {
    std::string out;
    std::string error;
  };
  const Case cases[] = {
      {"ro/out.json",
       "Error: write ro/out.json\n\nCaused by:\n    Permission denied (os error 13)\n"},
      {"ro/sub/out.json",
       "Error: create dir ro/sub\n\nCaused by:\n    Permission denied (os error 13)\n"},
  };
  for (const Case& c : cases) {
    const auto run = survey({"--out", c.out});
    EXPECT_EQ(run.status, 1) << c.out;
    EXPECT_EQ(run.err, kSurveyOfOne + c.error);
  }
  EXPECT_TRUE(fs::is_empty(dir_ / "ro"));
  // Give the directory back its write bit so that it can be removed.
  fs::permissions(dir_ / "ro", fs::perms::owner_all);
}

TEST_F(SurveyRunTest, EverySurfaceFailingStillSucceedsWithAnEmptyObject) {
  ArchiveBuilder archive;
  const Bytes whole = solid_surface(0xFF7E6247);
  archive.add_file(0x08000001, Bytes(whole.begin(), whole.begin() + 3));  // inside the type
  archive.add_file(0x08000002, Bytes(whole.begin(), whole.end() - 1));    // inside `diffuse`
  archive.add_file(0x08000003, textured_surface(0x05000009));             // no such mip list
  archive.add_file(0x08000004, textured_surface(0x05000001));             // an empty one
  archive.add_file(0x05000001, mip_list({}));
  write_archive(archive);
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
  write_archive(archive);

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
