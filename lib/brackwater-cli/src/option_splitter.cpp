#include "brackwater/cli/option_splitter.hpp"

#include <algorithm>

namespace brackwater::cli {
namespace {

std::vector<std::string_view> arguments_after_program(std::span<const char* const> argv) {
  std::vector<std::string_view> args;
  for (std::size_t i = 1; i < argv.size(); ++i) args.emplace_back(argv[i] ? argv[i] : "");
  return args;
}

}  // namespace

OptionSplitter::OptionSplitter(std::span<const char* const> argv,
                               std::span<const std::string_view> options,
                               std::span<const std::string_view> flags)
    : args_(arguments_after_program(argv)), options_(options), flags_(flags) {}

std::expected<Argument, SplitError> OptionSplitter::next() {
  const std::string_view arg = args_[next_++];
  if (!arg.starts_with('-') || arg == "-") return Argument{false, {}, arg};
  const std::size_t equals = arg.find('=');
  const std::string_view name =
      arg.starts_with("--") ? arg.substr(2, equals == arg.npos ? arg.npos : equals - 2) : arg;
  if (arg.starts_with("--") && std::ranges::find(flags_, name) != flags_.end()) {
    if (equals != arg.npos) {
      return std::unexpected(SplitError{SplitError::Kind::FlagValue, arg, name});
    }
    return Argument{true, name, {}};
  }
  if (!arg.starts_with("--") || std::ranges::find(options_, name) == options_.end()) {
    return std::unexpected(SplitError{SplitError::Kind::UnknownOption, arg, name});
  }
  if (equals != arg.npos) return Argument{true, name, arg.substr(equals + 1)};
  if (done()) return std::unexpected(SplitError{SplitError::Kind::MissingValue, arg, name});
  return Argument{true, name, args_[next_++]};
}

bool is_help(std::string_view argument) {
  return argument == "-h" || argument == "--help";
}

bool asks_for_help(std::span<const char* const> argv) {
  return std::ranges::any_of(arguments_after_program(argv), is_help);
}

}  // namespace brackwater::cli
