#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
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

}  // namespace
