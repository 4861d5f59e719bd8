// The sample archive surveyed end to end.
//
// The expected report and standard error in tests/data were worked out by
// tests/data/sample_expected.py from the rules the sample is drawn by, not by
// running any of this code: every textured surface of the sample shows a
// two-tone picture whose counted tone is one flat colour, and the script
// computes that colour by hand from the raw bytes, the palette entry, or the
// DXT endpoints through the 5/6-bit expansion and the block interpolation.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "tool_dir.hpp"

namespace {

using test_support::read_file;

const std::filesystem::path kData = TEST_DATA_DIR;

// The decimal number right after the first `marker` in `text`, or -1.
long number_after(const std::string& text, const std::string& marker) {
  const std::size_t at = text.find(marker);
  if (at == std::string::npos) return -1;
  const std::size_t from = at + marker.size();
  if (from >= text.size() || !std::isdigit(static_cast<unsigned char>(text[from]))) return -1;
  return std::stol(text.substr(from));
}

TEST(SampleArchive, SurveyMatchesTheWorkedOutReport) {
  test_support::ToolDir dir;
  const auto made = dir.run(MKPORTAL_BIN, {"sample", "client_portal.dat"});
  ASSERT_EQ(made.status, 0) << made.err;

  const auto run =
      dir.run(TINTSURVEY_BIN, {"--portal-dat", "client_portal.dat", "--out", "tintsurvey.json"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, read_file(kData / "sample_stderr.txt"));
  EXPECT_EQ(read_file(dir / "tintsurvey.json"), read_file(kData / "sample_tintsurvey.json"));

  // Every surface the sample breaks on purpose fails, and no other.
  const long broken = number_after(made.err, " surfaces (");
  EXPECT_GT(broken, 0) << made.err;
  EXPECT_EQ(number_after(run.err, "errors="), broken) << run.err;
}

}  // namespace
