// What `cmake --install` puts beside the programs: their man pages, which
// `man -l` must render with every usage line and option of their --help,
// and portal-inspect's bash completion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "markdown_blocks.hpp"
#include "run_process.hpp"
#include "temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::split_lines;

class ManualsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new test_support::TempDir;
    const auto run = test_support::run_process(
        CMAKE_COMMAND, {"--install", BUILD_DIR, "--prefix", prefix_->path().string()});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
  }
  static void TearDownTestSuite() {
    delete prefix_;
    prefix_ = nullptr;
  }

  static fs::path installed(const std::string& relative) { return prefix_->path() / relative; }

  // `command` run by bash in `dir` with the completion sourced and the built
  // portal-inspect first on the PATH.
  static std::string bash(const std::string& command, const fs::path& dir) {
    const std::string script =
        "source " + installed("share/bash-completion/completions/portal-inspect").string() +
        "\n" + command;
    const std::string path =
        fs::path(PORTAL_INSPECT_BIN).parent_path().string() + ":/usr/bin:/bin";
    const auto run = test_support::run_process("/bin/bash", {"-c", script}, dir,
                                               [&] { ::setenv("PATH", path.c_str(), 1); });
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
  }

  // What bash offers for `line`, the cursor at its end, one offer a line.
  static std::string completions(const std::string& line, const fs::path& dir) {
    return bash("COMP_WORDS=(" + line + ")\nCOMP_CWORD=$((${#COMP_WORDS[@]}" +
                    (line.ends_with(' ') ? "" : " - 1") + "))\n" +
                    "_portal_inspect\nprintf '%s\\n' \"${COMPREPLY[@]}\" | sort",
                dir);
  }

  static test_support::TempDir* prefix_;
};

test_support::TempDir* ManualsTest::prefix_ = nullptr;

TEST_F(ManualsTest, ManRendersEachPageWithTheUsageAndOptionsOfItsHelp) {
  if (std::string(MAN_PROGRAM).empty()) GTEST_SKIP() << "man is not installed";
  const std::vector<std::pair<std::string, std::string>> programs{
      {"tintsurvey", TINTSURVEY_BIN}, {"portal-inspect", PORTAL_INSPECT_BIN},
      {"mkportal", MKPORTAL_BIN}};
  for (const auto& [name, binary] : programs) {
    const fs::path page = installed("share/man/man1/" + name + ".1");
    ASSERT_TRUE(fs::exists(page)) << page;
    const auto rendered = test_support::run_process(
        MAN_PROGRAM, {"--warnings", "-l", page.string()}, fs::current_path(), [] {
          ::setenv("LC_ALL", "C", 1);
          ::setenv("MANWIDTH", "100", 1);
        });
    EXPECT_EQ(rendered.status, 0) << name;
    EXPECT_EQ(rendered.err, "") << name;

    const std::string help = test_support::run_process(binary, {"--help"}).out;
    for (const std::string& line : split_lines(help)) {
      if (!line.starts_with("Usage: ")) continue;
      EXPECT_NE(rendered.out.find(line.substr(7)), std::string::npos) << name << ": " << line;
    }
    const std::regex option(R"(--[a-z][a-z-]*)");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), option);
         it != std::sregex_iterator(); ++it) {
      EXPECT_NE(rendered.out.find(it->str()), std::string::npos) << name << ": " << it->str();
    }
  }
}

TEST_F(ManualsTest, PortalInspectPageHoldsTheHelpOfEveryCommand) {
  const std::string page = test_support::read_file(installed("share/man/man1/portal-inspect.1"));
  for (const std::string command : {"ls", "cat", "explain", "errors", "texture", "swatch",
                                    "sheet", "export", "mount"}) {
    EXPECT_NE(page.find("\n.SS " + command + "\n"), std::string::npos) << command;
  }
}

TEST_F(ManualsTest, BashCompletesCommandsOptionsAndTheirValues) {
  const test_support::TempDir dir;
  fs::create_directory(dir / "outdir");
  test_support::write_text(dir / "report.json", "{}\n");

  EXPECT_EQ(completions("portal-inspect a.dat ", dir.path()),
            "cat\nerrors\nexplain\nexport\nls\nmount\nsheet\nswatch\ntexture\n");
  EXPECT_EQ(completions("portal-inspect a.dat ex", dir.path()), "explain\nexport\n");
  EXPECT_EQ(completions("portal-inspect a.dat sheet report.json --", dir.path()),
            "--help\n--html\n--out\n");
  EXPECT_EQ(completions("portal-inspect a.dat export --", dir.path()),
            "--help\n--jobs\n--out\n--type\n");
  // A DIR takes directories only, a FILE any path, an id or a number nothing.
  EXPECT_EQ(completions("portal-inspect a.dat export --out ", dir.path()), "outdir\n");
  EXPECT_EQ(completions("portal-inspect a.dat texture 1 --png r", dir.path()), "report.json\n");
  EXPECT_EQ(completions("portal-inspect a.dat export --jobs ", dir.path()), "\n");
  EXPECT_EQ(completions("portal-inspect sw", dir.path()), "swatch\n");
}

}  // namespace
