// The examples of the documentation are run as they stand: every `console`
// block, in a directory laid out as build/sample is after the sample
// workflow, must print what it shows; every code block that names a file of
// the tree must be that file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "markdown_blocks.hpp"
#include "run_process.hpp"
#include "temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::FencedBlock;
using test_support::split_lines;

const fs::path kSourceDir = SOURCE_DIR;

// README.md and every page of docs/.
std::vector<fs::path> documentation() {
  std::vector<fs::path> pages{kSourceDir / "README.md"};
  for (const auto& entry : fs::directory_iterator(kSourceDir / "docs")) {
    if (entry.path().extension() == ".md") pages.push_back(entry.path());
  }
  return pages;
}

// One "$ command" of a console block and the lines shown after it.
struct Step {
  std::string command;
  std::vector<std::string> expected;
};

std::vector<Step> steps(const FencedBlock& block) {
  std::vector<Step> found;
  for (const std::string& line : block.lines) {
    if (line.starts_with("$ ")) {
      found.push_back(Step{line.substr(2), {}});
    } else if (!found.empty()) {
      found.back().expected.push_back(line);
    }
  }
  return found;
}

// Whether `actual` from line `a` on is `expected` from line `e` on, where an
// expected line "..." stands for any number of lines.
bool matches(const std::vector<std::string>& expected, std::size_t e,
             const std::vector<std::string>& actual, std::size_t a) {
  if (e == expected.size()) return a == actual.size();
  if (expected[e] == "...") {
    for (std::size_t skip = a; skip <= actual.size(); ++skip) {
      if (matches(expected, e + 1, actual, skip)) return true;
    }
    return false;
  }
  return a < actual.size() && expected[e] == actual[a] && matches(expected, e + 1, actual, a + 1);
}

// Runs `command` with the built programs first on the PATH; its standard
// output, then its standard error.
std::string run_shell(const std::string& command, const fs::path& dir) {
  const std::string path = fs::path(PORTAL_INSPECT_BIN).parent_path().string() + ":" +
                           fs::path(TINTSURVEY_BIN).parent_path().string() + ":" +
                           fs::path(MKPORTAL_BIN).parent_path().string() + ":/usr/bin:/bin";
  const auto run = test_support::run_process("/bin/sh", {"-c", command}, dir,
                                             [&] { ::setenv("PATH", path.c_str(), 1); });
  return run.out + run.err;
}

// build/sample after `cmake --workflow --preset sample`: the sample archive
// and its report under portal/.
void lay_out_sample(const fs::path& dir) {
  fs::create_directory(dir / "portal");
  run_shell("mkportal sample portal/client_portal.dat && "
            "tintsurvey --portal-dat portal/client_portal.dat --out portal/tintsurvey.json",
            dir);
  ASSERT_TRUE(fs::exists(dir / "portal/tintsurvey.json"));
}

TEST(DocExamplesTest, EveryConsoleBlockPrintsWhatItShows) {
  if (!PORTAL_INSPECT_DRAWS) GTEST_SKIP() << "portal-inspect draws nothing in this build";
  std::size_t commands = 0;
  for (const fs::path& page : documentation()) {
    const test_support::TempDir dir;
    bool laid_out = false;
    for (const FencedBlock& block : test_support::fenced_blocks(page)) {
      if (block.info != "console") continue;
      if (!laid_out) {
        lay_out_sample(dir.path());
        laid_out = true;
      }
      for (const Step& step : steps(block)) {
        ++commands;
        const std::vector<std::string> actual = split_lines(run_shell(step.command, dir.path()));
        EXPECT_TRUE(matches(step.expected, 0, actual, 0))
            << page.filename().string() << ":" << block.line_number << ": $ " << step.command
            << "\nprinted:\n"
            << run_shell(step.command, dir.path());
      }
    }
  }
  EXPECT_GT(commands, 10u);
}

TEST(DocExamplesTest, CodeBlocksNamingAFileAreThatFile) {
  std::size_t checked = 0;
  for (const fs::path& page : documentation()) {
    for (const FencedBlock& block : test_support::fenced_blocks(page)) {
      const std::size_t space = block.info.find(' ');
      if (space == std::string::npos) continue;
      const fs::path file = kSourceDir / block.info.substr(space + 1);
      ++checked;
      EXPECT_EQ(block.text(), test_support::read_file(file))
          << page.filename().string() << ":" << block.line_number << " is not " << file;
    }
  }
  EXPECT_GT(checked, 0u);
}

TEST(DocExamplesTest, ElidedLinesMatchAnyRun) {
  const std::vector<std::string> shown{"a", "...", "d"};
  EXPECT_TRUE(matches(shown, 0, {"a", "d"}, 0));
  EXPECT_TRUE(matches(shown, 0, {"a", "b", "c", "d"}, 0));
  EXPECT_FALSE(matches(shown, 0, {"a", "b", "c"}, 0));
  EXPECT_FALSE(matches(shown, 0, {"a", "d", "e"}, 0));
  EXPECT_FALSE(matches({"a"}, 0, {"b"}, 0));
}

}  // namespace
