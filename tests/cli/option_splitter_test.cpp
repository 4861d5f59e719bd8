#include "brackwater/cli/option_splitter.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brackwater::cli {
namespace {

constexpr std::string_view kOptions[] = {"out", "limit"};
constexpr std::string_view kFlags[] = {"all"};

// Each piece as "operand", "--name=value" or, for the error that ends the
// split, "unknown <argument>" / "missing <name>" / "valued <name>".
std::vector<std::string> pieces(std::vector<const char*> args) {
  args.insert(args.begin(), "prog");
  OptionSplitter split(args, kOptions, kFlags);
  std::vector<std::string> out;
  while (!split.done()) {
    const auto arg = split.next();
    if (!arg) {
      switch (arg.error().kind) {
        case SplitError::Kind::UnknownOption:
          out.push_back("unknown " + std::string(arg.error().argument));
          break;
        case SplitError::Kind::MissingValue:
          out.push_back("missing " + std::string(arg.error().name));
          break;
        case SplitError::Kind::FlagValue:
          out.push_back("valued " + std::string(arg.error().name));
          break;
      }
      break;
    }
    out.push_back(arg->is_option ? "--" + std::string(arg->name) + "=" + std::string(arg->value)
                                 : std::string(arg->value));
  }
  return out;
}

TEST(OptionSplitterTest, SplitsOperandsAndOptionsInOrder) {
  const struct {
    std::vector<const char*> args;
    std::vector<std::string> pieces;
  } cases[] = {
      {{}, {}},
      {{"a", "-", "", "b"}, {"a", "-", "", "b"}},
      {{"--out", "x", "a", "--limit=3"}, {"--out=x", "a", "--limit=3"}},
      // The next argument is the value, whatever it looks like.
      {{"--out", "--help"}, {"--out=--help"}},
      {{"--out", "-"}, {"--out=-"}},
      {{"--out=", "--limit=a=b"}, {"--out=", "--limit=a=b"}},
      // A repeat is the caller's to judge.
      {{"--out", "a", "--out=b"}, {"--out=a", "--out=b"}},
      {{"a", "--out"}, {"a", "missing out"}},
      {{"-x", "a"}, {"unknown -x"}},
      {{"-h"}, {"unknown -h"}},
      {{"--"}, {"unknown --"}},
      {{"--bogus=1"}, {"unknown --bogus=1"}},
      {{"--output", "x"}, {"unknown --output"}},
      {{"-out", "x"}, {"unknown -out"}},
      // A flag takes no value, not even the next argument.
      {{"--all", "x", "--all"}, {"--all=", "x", "--all="}},
      {{"--all=1"}, {"valued all"}},
      {{"-all"}, {"unknown -all"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pieces(c.args), c.pieces) << ::testing::PrintToString(c.pieces);
}

TEST(OptionSplitterTest, UnknownLongOptionsNameWhatFollowsTheDashes) {
  const char* const argv[] = {"prog", "--help=x"};
  OptionSplitter split(argv, kOptions);
  const auto arg = split.next();
  ASSERT_FALSE(arg);
  EXPECT_EQ(arg.error().name, "help");
}

TEST(OptionSplitterTest, HelpAnywhereAfterTheProgramName) {
  const char* const plain[] = {"-h", "a", "--out"};
  EXPECT_FALSE(asks_for_help(plain));  // the program name is not an argument
  const char* const as_value[] = {"prog", "--out", "--help"};
  EXPECT_TRUE(asks_for_help(as_value));
  const char* const with_value[] = {"prog", "--help=1", "-help"};
  EXPECT_FALSE(asks_for_help(with_value));
}

}  // namespace
}  // namespace brackwater::cli
