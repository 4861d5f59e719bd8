#pragma once

#include <string>
#include <string_view>

// The wording of the usage errors portal-inspect and mkportal share, so that
// the same mistake reads the same in either program. Option names are given
// without their leading "--"; operands by their placeholder ("ID", "DIR").
namespace brackwater::cli::usage {

// "unrecognised option '--bogus'", the argument as given.
std::string unrecognised_option(std::string_view argument);
// "option '--seed' given more than once"
std::string given_more_than_once(std::string_view option);
// "option '--out' needs a value"
std::string needs_value(std::string_view option);
// "option '--ids' takes no value"
std::string takes_no_value(std::string_view option);
// "unexpected argument 'extra'"
std::string unexpected_argument(std::string_view argument);
// "invalid value 'two' for '--jobs': expected a number from 1 to 256"
std::string invalid_value(std::string_view value, std::string_view option,
                          std::string_view expected);
// "missing ID for explain"
std::string missing_operand(std::string_view operand, std::string_view command);
// "the DIR path must not be empty"
std::string empty_path(std::string_view operand);
// "the FILE path of '--out' must not be empty"
std::string empty_option_path(std::string_view placeholder, std::string_view option);
// "sheet needs --out DIR"
std::string needs_option(std::string_view command, std::string_view option,
                         std::string_view placeholder);
// "sample takes no option '--scale'"
std::string takes_no_option(std::string_view command, std::string_view option);

}  // namespace brackwater::cli::usage
