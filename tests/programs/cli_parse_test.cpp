#include "cli.hpp"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <limits>
#include <string>
#include <vector>

namespace brackwater::tintsurvey {
namespace {

std::expected<Cli, CliExit> parse(std::vector<const char*> args,
                                  const char* program = "/usr/local/bin/tintsurvey") {
  args.insert(args.begin(), program);
  return parse_cli(args);
}

const std::string kUsageTail =
    "Usage: tintsurvey [OPTIONS]\nTry 'tintsurvey --help' for more information.\n";

TEST(ParseLimitTest, AcceptsOptionalPlusAndDecimalDigitsInRange) {
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  const struct {
    const char* text;
    std::size_t value;
  } cases[] = {
      {"0", 0},
      {"+0", 0},
      {"12", 12},
      {"0012", 12},
      {"+0012", 12},
      {"18446744073709551615", kMax},
      {"+018446744073709551615", kMax},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_limit(c.text), c.value) << c.text;
}

TEST(ParseLimitTest, RejectsEverythingElse) {
  for (const char* text :
       {"", "+", "-", "-1", "-0", "++1", "+-1", "1.5", " 1", "1 ", "0x10", "1_000", "1,000", "1e3",
        "\xD9\xA1", "18446744073709551616", "99999999999999999999999"}) {
    EXPECT_EQ(parse_limit(text), std::nullopt) << text;
  }
}

TEST(ParseCliTest, BareInvocationUsesTheDefaults) {
  const auto cli = parse({});
  ASSERT_TRUE(cli) << cli.error().text;
  const passwd* user = ::getpwuid(::getuid());
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(cli->portal_dat,
            std::filesystem::path(user->pw_dir) / "ac_base_dats/client_portal.dat");
  EXPECT_TRUE(cli->portal_dat.is_absolute());
  EXPECT_TRUE(cli->portal_dat.native().ends_with("/ac_base_dats/client_portal.dat"));
  EXPECT_EQ(cli->out, "apps/brackwater-web/data/tintsurvey.json");
  EXPECT_EQ(cli->limit, 0u);
}

TEST(ParseCliTest, AcceptsSeparateAndAttachedValues) {
  const struct {
    std::vector<const char*> args;
    std::string portal_dat;  // empty: the default
    std::string out;
    std::size_t limit;
  } cases[] = {
      {{"--portal-dat", "a.dat", "--out", "o.json", "--limit", "3"}, "a.dat", "o.json", 3},
      {{"--limit=+0", "--out=o.json", "--portal-dat=/x/a.dat"}, "/x/a.dat", "o.json", 0},
      {{"--limit", "0012"}, "", "apps/brackwater-web/data/tintsurvey.json", 12},
      {{"--out=a=b.json"}, "", "a=b.json", 0},
      {{"--out", "--limit"}, "", "--limit", 0},
      {{"--portal-dat", "caf\xC3\xA9\xFF.dat"},
       "caf\xC3\xA9\xFF.dat",
       "apps/brackwater-web/data/tintsurvey.json",
       0},
      {{"--out", "report.json"}, "", "report.json", 0},
  };
  for (const auto& c : cases) {
    const auto cli = parse(c.args);
    ASSERT_TRUE(cli) << cli.error().text;
    if (!c.portal_dat.empty()) {
      EXPECT_EQ(cli->portal_dat.native(), c.portal_dat);
    }
    EXPECT_EQ(cli->out.native(), c.out);
    EXPECT_EQ(cli->limit, c.limit);
  }
}

TEST(ParseCliTest, UsageErrorsExitWithStatusTwo) {
  const std::string limit_range = "expected a decimal number from 0 to 18446744073709551615";
  const struct {
    std::vector<const char*> args;
    std::string first_line;
  } cases[] = {
      {{"--bogus"}, "unrecognised option '--bogus'"},
      {{"--Limit=1"}, "unrecognised option '--Limit=1'"},
      {{"--"}, "unrecognised option '--'"},
      {{"stray"}, "unexpected argument 'stray'"},
      {{"-x"}, "unexpected argument '-x'"},
      {{"--out"}, "option '--out <OUT>' requires a value"},
      {{"--limit", "5", "--portal-dat"}, "option '--portal-dat <PORTAL_DAT>' requires a value"},
      {{"--out="}, "invalid value '' for '--out <OUT>': the path must not be empty"},
      {{"--portal-dat", ""},
       "invalid value '' for '--portal-dat <PORTAL_DAT>': the path must not be empty"},
      {{"--limit", "-1"}, "invalid value '-1' for '--limit <LIMIT>': " + limit_range},
      {{"--limit="}, "invalid value '' for '--limit <LIMIT>': " + limit_range},
      {{"--limit", "1", "--limit", "1"}, "option '--limit <LIMIT>' given more than once"},
      {{"--out=a", "--out", "b"}, "option '--out <OUT>' given more than once"},
      {{"--help=yes"}, "option '--help' takes no value"},
  };
  for (const auto& c : cases) {
    const auto cli = parse(c.args);
    ASSERT_FALSE(cli) << c.first_line;
    EXPECT_EQ(cli.error().status, 2);
    EXPECT_EQ(cli.error().text, "tintsurvey: " + c.first_line + "\n" + kUsageTail);
  }
}

TEST(ParseCliTest, HelpDeclaresEveryOptionAndWinsOverOtherArguments) {
  for (const auto& args : std::vector<std::vector<const char*>>{
           {"-h"}, {"--help"}, {"--limit", "x", "--help"}, {"--out", "o", "-h", "--bogus"}}) {
    const auto cli = parse(args, "/opt/bin/tint");
    ASSERT_FALSE(cli);
    EXPECT_EQ(cli.error().status, 0);
    const std::string& help = cli.error().text;
    EXPECT_TRUE(
        help.starts_with("Emit per-surface dominant-colour JSON for the quill-agent fill path\n\n"
                         "Usage: tint [OPTIONS]\n"));
    for (const char* piece :
         {"--portal-dat <PORTAL_DAT>", "Path to the retail client_portal.dat (surfaces live here)",
          "/ac_base_dats/client_portal.dat]", "--out <OUT>",
          "Output JSON path. Default writes alongside the brackwater-web data directory so the "
          "runtime can fetch it relative to its own URL",
          "[default: apps/brackwater-web/data/tintsurvey.json]", "--limit <LIMIT>",
          "Optional max number of surfaces to process (handy for smoke tests). `0` means "
          "\"all\"",
          "[default: 0]", "-h, --help"}) {
      EXPECT_NE(help.find(piece), std::string::npos) << piece;
    }
  }
}

TEST(ParseCliTest, ProgramNameIsTheFileNamePartOfArgvZero) {
  const struct {
    const char* program;
    std::string usage;
  } cases[] = {
      {"./build/tintsurvey", "Usage: tintsurvey [OPTIONS]"},
      {"tint", "Usage: tint [OPTIONS]"},
      {"/", "Usage: brackwater-tools [OPTIONS]"},
      {"", "Usage: brackwater-tools [OPTIONS]"},
  };
  for (const auto& c : cases) {
    const auto cli = parse({"--bogus"}, c.program);
    ASSERT_FALSE(cli);
    EXPECT_NE(cli.error().text.find(c.usage), std::string::npos) << cli.error().text;
  }
  EXPECT_TRUE(parse_cli({}));  // no argument vector at all is a bare invocation
}

}  // namespace
}  // namespace brackwater::tintsurvey
