#include "report_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "temp_dir.hpp"

namespace brackwater::tintsurvey {
namespace {

namespace fs = std::filesystem;
using survey::ColorMap;
using survey::render_report;
using survey::Rgb;
using test_support::read_file;
using test_support::TempDir;

const ColorMap kTwoEntries = {{0x08FFFFFF, Rgb{255, 255, 255}}, {0x08000000, Rgb{126, 98, 71}}};

TEST(WriteReport, CreatesMissingDirectories) {
  TempDir dir;
  const fs::path out = dir / "a/b/c/colors.json";
  std::ostringstream log;
  // With no file-mode mask the directories show the mode they were made with.
  const mode_t previous_mask = ::umask(0);
  const auto written = write_report(kTwoEntries, out, log);
  ::umask(previous_mask);
  ASSERT_TRUE(written);
  EXPECT_EQ(read_file(out), render_report(kTwoEntries));
  EXPECT_EQ(log.str(), "wrote " + out.string() + " (0.1 KB)\n");
  for (const char* created : {"a", "a/b", "a/b/c"}) {
    EXPECT_EQ(fs::status(dir / created).permissions(), fs::perms::all) << created;
  }
}

TEST(WriteReport, ReplacesALongerFile) {
  TempDir dir;
  const fs::path out = dir / "colors.json";
  std::ostringstream log;
  ASSERT_TRUE(write_report(kTwoEntries, out, log));
  ASSERT_TRUE(write_report({}, out, log));
  EXPECT_EQ(read_file(out), "{\n}\n");
}

TEST(WriteReport, FailuresNameThePathAndTheSystemError) {
  TempDir dir;
  test_support::write_file(dir / "plain", std::vector<char>{'x'});
  fs::create_directory(dir / "existing");
  struct Case {
    fs::path out;
    std::string message;
    std::string cause;
  };
  const Case cases[] = {
      {dir / "plain/colors.json", "create dir " + (dir / "plain").string(),
       "File exists (os error 17)"},
      {dir / "plain/sub/colors.json", "create dir " + (dir / "plain/sub").string(),
       "Not a directory (os error 20)"},
      {dir / "existing", "write " + (dir / "existing").string(), "Is a directory (os error 21)"},
      // A trailing separator is no component: only "new" is created.
      {dir / "new/target/", "write " + (dir / "new/target/").string(),
       "Is a directory (os error 21)"},
  };
  for (const Case& c : cases) {
    std::ostringstream log;
    const auto written = write_report(kTwoEntries, c.out, log);
    ASSERT_FALSE(written) << c.out;
    EXPECT_EQ(written.error().message(), c.message);
    EXPECT_EQ(written.error().causes(), std::vector<std::string>{c.cause}) << c.out;
    EXPECT_EQ(log.str(), "");
  }
  EXPECT_TRUE(fs::is_directory(dir / "new"));
  EXPECT_FALSE(fs::exists(dir / "new/target"));
}

TEST(WriteReport, ReadOnlyDirectory) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  const fs::path locked = dir / "locked";
  fs::create_directory(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  std::ostringstream log;

  const auto file = write_report({}, locked / "colors.json", log);
  ASSERT_FALSE(file);
  EXPECT_EQ(file.error().message(), "write " + (locked / "colors.json").string());
  EXPECT_EQ(file.error().causes(), std::vector<std::string>{"Permission denied (os error 13)"});

  const auto subdir = write_report({}, locked / "sub/colors.json", log);
  ASSERT_FALSE(subdir);
  EXPECT_EQ(subdir.error().message(), "create dir " + (locked / "sub").string());
  EXPECT_EQ(subdir.error().causes(), std::vector<std::string>{"Permission denied (os error 13)"});

  fs::permissions(locked, fs::perms::owner_all);
}

}  // namespace
}  // namespace brackwater::tintsurvey
