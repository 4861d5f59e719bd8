#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "run_process.hpp"
#include "temp_dir.hpp"

namespace {

using test_support::run_process;
using test_support::TempDir;

test_support::ProcessResult tintsurvey(const std::vector<std::string>& args, const TempDir& cwd) {
  return run_process(TINTSURVEY_BIN, args, cwd.path());
}

// Every line after the first moved right by `columns` spaces.
std::string indent_following_lines(const std::string& text, std::size_t columns) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '\n') out.append(columns, ' ');
  }
  return out;
}

TEST(TintsurveyCliTest, HelpGoesToStandardOutput) {
  TempDir dir;
  for (const char* flag : {"-h", "--help"}) {
    const auto run = tintsurvey({flag}, dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.starts_with(
        "Emit per-surface dominant-colour JSON for the quill-agent fill path\n\n"
        "Usage: tintsurvey [OPTIONS]\n"))
        << run.out;
    EXPECT_EQ(run.err, "");
  }
}

TEST(TintsurveyCliTest, UsageErrorsExitTwoBeforeWritingAnything) {
  TempDir dir;
  const std::vector<std::vector<std::string>> cases = {
      {"--limit", "-1"}, {"--limit=1.5"}, {"--limit", ""}, {"--limit", "18446744073709551616"},
      {"--out", ""},     {"--bogus"},     {"--out"},       {"--limit", "1", "--limit", "2"},
  };
  for (auto args : cases) {
    args.insert(args.begin(), {"--portal-dat", "missing.dat"});
    const auto run = tintsurvey(args, dir);
    EXPECT_EQ(run.status, 2) << args.back();
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.starts_with("tintsurvey: ")) << run.err;
    EXPECT_NE(run.err.find("\nUsage: tintsurvey [OPTIONS]\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Error: open"), std::string::npos) << "archive opened: " << run.err;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(TintsurveyCliTest, MissingArchiveIsFatalWithBothCauses) {
  TempDir dir;
  const auto run = tintsurvey({"--portal-dat", "no/such/portal.dat", "--out", "o.json"}, dir);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "Error: open no/such/portal.dat\n"
            "\n"
            "Caused by:\n"
            "    0: Failed to open file at no/such/portal.dat: No such file or directory (os "
            "error 2)\n"
            "    1: No such file or directory (os error 2)\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(TintsurveyCliTest, ArchiveCutInsideTheHeaderIsFatalWithTheFramedCause) {
  TempDir dir;
  test_support::write_file(dir / "short.dat", std::vector<std::uint8_t>(330, 0));
  // The frame's source location is whatever the library records; take it
  // from an in-process open of the same file.
  const auto in_process = brackwater::dat::DatDatabase::open(dir / "short.dat");
  ASSERT_FALSE(in_process);
  const auto& location =
      in_process.error().as<brackwater::dat::DatError::BinRead>()->error.frames().at(0).location;
  ASSERT_TRUE(location.has_value());

  const auto run = tintsurvey({"--portal-dat", "short.dat", "--out", "o.json"}, dir);
  const std::string B = "\x1b[1m";
  const std::string E = "\x1b[22m";
  std::string rule;
  for (int i = 0; i < 20; ++i) rule += "\u2501";
  std::string long_rule;
  for (int i = 0; i < 53; ++i) long_rule += "\u2501";
  const std::string backtrace =
      "\n \u257A" + rule + "\u2505 Backtrace \u2505" + rule + "\u2578\n\n 0: " + B + B +
      "Error: failed to fill whole buffer" + E + "\n           " + B +
      "While parsing field 'file_size' in DatHeader" + E + E + "\n     at " + location->file + ":" +
      std::to_string(location->line) + "\n\n \u257A" + long_rule + "\u2578\n\n";
  const std::string framed = indent_following_lines(backtrace, 7);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error: open short.dat\n\nCaused by:\n    0: Binary read error: " + framed +
                         "\n    1: " + framed + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "o.json"));
}

TEST(TintsurveyCliTest, ReadableHeaderOpensAndExitsZero) {
  TempDir dir;
  test_support::write_file(dir / "empty.dat", std::vector<std::uint8_t>(400, 0));
  const auto run = tintsurvey({"--portal-dat", "empty.dat", "--out", "o.json"}, dir);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
}

}  // namespace
