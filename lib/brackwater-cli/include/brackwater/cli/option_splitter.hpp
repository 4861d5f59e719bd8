#pragma once

#include <expected>
#include <span>
#include <string_view>
#include <vector>

namespace brackwater::cli {

// One argument after splitting: an operand, or a declared option with its value.
struct Argument {
  bool is_option = false;
  std::string_view name;   // the option's name without "--"; empty for an operand
  std::string_view value;  // the option's value, or the operand itself
};

struct SplitError {
  enum class Kind {
    UnknownOption,  // starts with '-' but names no declared option ("-x", "--bogus", "--")
    MissingValue,   // a declared option is the last argument and has no "=value"
    FlagValue,      // a flag given as "--name=value"
  };
  Kind kind;
  std::string_view argument;  // as given
  std::string_view name;      // what follows "--", up to any '='
};

// Walks a command line left to right. Every declared option takes one value,
// given as "--name=value" or as the next argument (whatever it looks like);
// a declared flag takes none ("--name" alone, its value empty). "-" and
// anything not starting with '-' is an operand. Each tool words its own usage
// errors from the split error, so their texts stay their own.
class OptionSplitter {
 public:
  // `argv` is the raw argument vector, program name first.
  OptionSplitter(std::span<const char* const> argv, std::span<const std::string_view> options,
                 std::span<const std::string_view> flags = {});

  bool done() const { return next_ == args_.size(); }
  std::expected<Argument, SplitError> next();

 private:
  std::vector<std::string_view> args_;
  std::span<const std::string_view> options_;
  std::span<const std::string_view> flags_;
  std::size_t next_ = 0;
};

// "-h" or "--help" exactly.
bool is_help(std::string_view argument);

// Whether any argument after the program name is "-h" or "--help", even one
// that would be taken as an option's value.
bool asks_for_help(std::span<const char* const> argv);

}  // namespace brackwater::cli
