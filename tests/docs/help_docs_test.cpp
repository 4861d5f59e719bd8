// What the programs' --help says and what the reference pages say must be
// the same usage lines and the same options, so neither drifts from the
// other.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "markdown_blocks.hpp"
#include "run_process.hpp"
#include "temp_dir.hpp"

namespace {

using test_support::read_file;
using test_support::split_lines;

std::string help_of(const std::string& program, const std::vector<std::string>& args) {
  const auto run = test_support::run_process(program, args);
  EXPECT_EQ(run.status, 0) << program << " " << args.front() << ": " << run.err;
  return run.out;
}

// Every "--name" in `text`.
std::set<std::string> options_in(const std::string& text) {
  std::set<std::string> names;
  const std::regex option(R"(--[a-z][a-z-]*)");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it) {
    names.insert(it->str());
  }
  return names;
}

// The "Usage:" line of a help text and the lines that continue it.
std::vector<std::string> usage_lines(const std::string& help) {
  std::vector<std::string> usage;
  for (const std::string& line : split_lines(help)) {
    if (line.starts_with("Usage: ") || (!usage.empty() && line.starts_with("       "))) {
      usage.push_back(line);
    } else if (!usage.empty()) {
      break;
    }
  }
  return usage;
}

// The text under "## {heading}" up to the next heading of that level or above.
std::string section(const std::string& markdown, const std::string& heading) {
  std::string text;
  bool inside = false;
  for (const std::string& line : split_lines(markdown)) {
    if (line.starts_with("## ") || line.starts_with("# ")) inside = line == "## " + heading;
    else if (inside) text.append(line).append("\n");
  }
  return text;
}

std::vector<std::string> headings(const std::string& markdown) {
  std::vector<std::string> names;
  for (const std::string& line : split_lines(markdown)) {
    if (line.starts_with("## ")) names.push_back(line.substr(3));
  }
  return names;
}

// The names listed under "Commands:" of portal-inspect's general help.
std::vector<std::string> commands(const std::string& help) {
  std::vector<std::string> names;
  bool inside = false;
  for (const std::string& line : split_lines(help)) {
    if (line == "Commands:") {
      inside = true;
    } else if (inside && line.empty()) {
      break;
    } else if (inside && line.starts_with("  ") && line[2] != ' ') {
      names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
  }
  return names;
}

bool has_line(const std::string& text, const std::string& line) {
  for (const std::string& candidate : split_lines(text)) {
    if (candidate == line) return true;
  }
  return false;
}

const std::filesystem::path kDocs = DOCS_DIR;

TEST(HelpMatchesDocsTest, PortalInspectReferenceHasEveryCommandsUsageAndOptions) {
  const std::string doc = read_file(kDocs / "portal-inspect.md");
  const std::string general = help_of(PORTAL_INSPECT_BIN, {"--help"});
  for (const std::string& line : usage_lines(general)) {
    EXPECT_TRUE(has_line(doc, line)) << "portal-inspect.md lacks: " << line;
  }
  const std::vector<std::string> names = commands(general);
  ASSERT_FALSE(names.empty()) << general;
  EXPECT_EQ(headings(doc), names) << "the reference's sections are not the commands of --help";

  for (const std::string& name : names) {
    const std::string help = help_of(PORTAL_INSPECT_BIN, {name, "--help"});
    const std::string text = section(doc, name);
    for (const std::string& line : usage_lines(help)) {
      EXPECT_TRUE(has_line(text, line)) << "the section " << name << " lacks: " << line;
    }
    EXPECT_EQ(options_in(text), options_in(help)) << "the options of " << name;
  }
}

TEST(HelpMatchesDocsTest, MkportalPageHasItsUsageAndOptions) {
  const std::string doc = read_file(kDocs / "mkportal.md");
  const std::string help = help_of(MKPORTAL_BIN, {"--help"});
  const std::vector<std::string> usage = usage_lines(help);
  ASSERT_EQ(usage.size(), 2u) << help;
  for (const std::string& line : usage) {
    EXPECT_TRUE(has_line(doc, line)) << "mkportal.md lacks: " << line;
  }
  EXPECT_EQ(options_in(doc), options_in(help));
}

TEST(HelpMatchesDocsTest, ReadmeTableHasEveryTintsurveyOption) {
  const std::string readme = read_file(kDocs.parent_path() / "README.md");
  const std::string table = section(readme, "Options and exit statuses");
  for (const std::string& option : options_in(help_of(TINTSURVEY_BIN, {"--help"}))) {
    EXPECT_NE(table.find("`" + option), std::string::npos) << option;
  }
}

}  // namespace
