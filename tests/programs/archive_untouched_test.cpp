#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

#include "run_process.hpp"
#include "temp_dir.hpp"
#include "test_records.hpp"

namespace {


struct timespec modified_at(const std::filesystem::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_mtim;
}

TEST(TintsurveyCliTest, FullRunLeavesTheArchiveUntouched) {
  test_support::TempDir dir;
  const std::filesystem::path archive = dir / "portal.dat";
  ASSERT_TRUE(test_support::every_record_archive().write(archive));
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
