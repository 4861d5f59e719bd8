#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/records.hpp"
#include "run_process.hpp"
#include "temp_dir.hpp"

namespace {

using namespace brackwater::dat;

// Solid and textured surfaces, some stored compressed, so that a full run
// fetches through every kind of read the tool makes.
portal_fixture::ArchiveBuilder surveyed_archive() {
  portal_fixture::ArchiveBuilder b({.block_size = 64});
  Surface solid;
  solid.surface_type = 1;
  solid.color_value = 0xFF336699;
  Surface textured;
  textured.surface_type = 2;
  textured.texture_refs = TextureRefs{0x05000001, 0x04000001};
  Texture texture;
  texture.id = 0x06000001;
  texture.width = 2;
  texture.height = 2;
  texture.format_raw = 41;  // P8
  texture.source_data = {0, 1, 1, 1};
  texture.length = 4;
  texture.default_palette_id = 0x04000001;
  b.add_file(0x08000001, portal_fixture::encode(solid));
  b.add_file(0x08000002, portal_fixture::encode(textured), {.compress = true});
  b.add_file(0x05000001, portal_fixture::encode(SurfaceTexture{0x05000001, 0, 0, {0x06000001}}));
  b.add_file(0x06000001, portal_fixture::encode(texture), {.compress = true});
  b.add_file(0x04000001, portal_fixture::encode(Palette{0x04000001, {0xFF0000FF, 0xFF00FF00}}));
  return b;
}

struct timespec modified_at(const std::filesystem::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_mtim;
}

TEST(TintsurveyCliTest, FullRunLeavesTheArchiveUntouched) {
  test_support::TempDir dir;
  const std::filesystem::path archive = dir / "portal.dat";
  ASSERT_TRUE(surveyed_archive().write(archive));
  // A time in the past, to the nanosecond, that any write would replace.
  const struct timespec past[2] = {{978307200, 123456789}, {978307200, 123456789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, archive.c_str(), past, 0), 0);
  const std::string bytes_before = test_support::read_file(archive);

  const auto run = test_support::run_process(
      TINTSURVEY_BIN, {"--portal-dat", archive.string(), "--out", (dir / "out.json").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("done. resolved=2 (solid=1 textured=1) errors=0\n"), std::string::npos)
      << run.err;

  EXPECT_EQ(test_support::read_file(archive), bytes_before);
  const struct timespec after = modified_at(archive);
  EXPECT_EQ(after.tv_sec, past[1].tv_sec);
  EXPECT_EQ(after.tv_nsec, past[1].tv_nsec);
}

}  // namespace
