#include "command_line.hpp"

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

#include "brackwater/cli/option_splitter.hpp"
#include "brackwater/cli/usage_messages.hpp"

namespace mkportal {
namespace {

using brackwater::cli::CliExit;
using brackwater::cli::SplitError;
namespace usage = brackwater::cli::usage;

constexpr const char* kUsage =
    "Usage: mkportal sample OUT [--seed N]\n"
    "       mkportal large OUT [--scale X] [--seed N]\n";

constexpr const char* kHelp =
    "Write a synthetic portal archive for tests, samples and benchmarks\n"
    "\n"
    "Usage: mkportal sample OUT [--seed N]\n"
    "       mkportal large OUT [--scale X] [--seed N]\n"
    "\n"
    "Profiles:\n"
    "  sample      about 300 surfaces in every texture format, 14 of them broken\n"
    "  large       shaped like a client archive: at scale 1 about 100,000 files,\n"
    "              10,000 of them surfaces, about 500 MB\n"
    "\n"
    "Options:\n"
    "  --seed N    random seed, an unsigned decimal integer [default: 1]\n"
    "  --scale X   multiplies the large archive's counts, a decimal number above 0\n"
    "              and at most 7 [default: 1]\n"
    "  -h, --help  print this help\n"
    "\n"
    "The same profile, seed and scale always write the same bytes.\n";

std::unexpected<CliExit> usage_error(const std::string& message) {
  return std::unexpected(
      brackwater::cli::usage_error("mkportal", message, kUsage, "mkportal --help"));
}

std::optional<std::uint64_t> parse_seed(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return {};
  return value;
}

// Digits with at most one decimal point: "2", "0.25", "1.5".
std::optional<double> parse_scale(std::string_view text) {
  if (text.find_first_not_of("0123456789.") != std::string_view::npos) return {};
  double value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return {};
  if (!(value > 0 && value <= kMaxScale)) return {};
  return value;
}

constexpr std::string_view kOptionNames[] = {"seed", "scale"};

}  // namespace

std::expected<Command, CliExit> parse_command_line(std::span<const char* const> argv) {
  if (brackwater::cli::asks_for_help(argv)) return std::unexpected(CliExit{0, kHelp});

  std::vector<std::string_view> positionals;
  std::optional<std::string_view> seed;
  std::optional<std::string_view> scale;
  brackwater::cli::OptionSplitter split(argv, kOptionNames);
  while (!split.done()) {
    const auto arg = split.next();
    if (arg && !arg->is_option) {
      positionals.push_back(arg->value);
      continue;
    }
    if (!arg && arg.error().kind == SplitError::Kind::UnknownOption) {
      return usage_error(usage::unrecognised_option(arg.error().argument));
    }
    const std::string_view name = arg ? arg->name : arg.error().name;
    std::optional<std::string_view>& value = name == "seed" ? seed : scale;
    if (value) return usage_error(usage::given_more_than_once(name));
    if (!arg) return usage_error(usage::needs_value(name));
    value = arg->value;
  }

  if (positionals.empty()) return usage_error("missing profile: sample or large");
  Command command;
  if (positionals[0] == "sample") {
    command.profile = Profile::Sample;
  } else if (positionals[0] == "large") {
    command.profile = Profile::Large;
  } else {
    return usage_error("unknown profile '" + std::string(positionals[0]) + "': sample or large");
  }
  if (positionals.size() < 2) return usage_error(usage::missing_operand("OUT", positionals[0]));
  if (positionals[1].empty()) return usage_error(usage::empty_path("OUT"));
  if (positionals.size() > 2) return usage_error(usage::unexpected_argument(positionals[2]));
  command.out = std::filesystem::path(std::string(positionals[1]));

  if (seed) {
    const auto value = parse_seed(*seed);
    if (!value) {
      return usage_error(usage::invalid_value(*seed, "seed", "an unsigned decimal integer"));
    }
    command.seed = *value;
  }
  if (scale) {
    if (command.profile != Profile::Large) return usage_error(usage::takes_no_option("sample", "scale"));
    const auto value = parse_scale(*scale);
    if (!value) {
      return usage_error(
          usage::invalid_value(*scale, "scale", "a decimal number above 0 and at most 7"));
    }
    command.scale = *value;
  }
  return command;
}

}  // namespace mkportal
