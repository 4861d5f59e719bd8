#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "indent.hpp"
#include "tool_dir.hpp"

namespace {

using test_support::ToolDir;

TEST(TintsurveyCliTest, HelpGoesToStandardOutput) {
  ToolDir dir;
  for (const char* flag : {"-h", "--help"}) {
    const auto run = dir.run(TINTSURVEY_BIN, {flag});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.starts_with(
        "Emit per-surface dominant-colour JSON for the quill-agent fill path\n\n"
        "Usage: tintsurvey [OPTIONS]\n"))
        << run.out;
    EXPECT_EQ(run.err, "");
  }
}

// Every usage error takes one path out of the tool; the parser's tests hold
// each message.
TEST(TintsurveyCliTest, UsageErrorsExitTwoBeforeWritingAnything) {
  ToolDir dir;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--limit", "-1"}, {"--out", ""}, {"--bogus"}}) {
    std::vector<std::string> full = {"--portal-dat", "missing.dat"};
    full.insert(full.end(), args.begin(), args.end());
    const auto run = dir.run(TINTSURVEY_BIN, full);
    EXPECT_EQ(run.status, 2) << args.back();
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.starts_with("tintsurvey: ")) << run.err;
    EXPECT_NE(run.err.find("\nUsage: tintsurvey [OPTIONS]\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Error: open"), std::string::npos) << "archive opened: " << run.err;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(TintsurveyCliTest, MissingArchiveIsFatalWithBothCauses) {
  ToolDir dir;
  const auto run =
      dir.run(TINTSURVEY_BIN, {"--portal-dat", "no/such/portal.dat", "--out", "o.json"});
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
  ToolDir dir;
  test_support::write_file(dir / "short.dat", std::vector<std::uint8_t>(330, 0));
  // The framed text is the library's (its layout has a test of its own, and
  // its locations are wherever the parse code stands); the tool sets it into
  // the chain.
  const auto in_process = brackwater::dat::DatDatabase::open(dir / "short.dat");
  ASSERT_FALSE(in_process);
  const auto* read = in_process.error().as<brackwater::dat::DatError::BinRead>();
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->error.frames().at(0).message, "While parsing field 'file_size' in DatHeader");

  const auto run = dir.run(TINTSURVEY_BIN, {"--portal-dat", "short.dat", "--out", "o.json"});
  const std::string framed = test_support::indent_following_lines(read->error.message(), 7);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error: open short.dat\n\nCaused by:\n    0: Binary read error: " + framed +
                         "\n    1: " + framed + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "o.json"));
}

}  // namespace
