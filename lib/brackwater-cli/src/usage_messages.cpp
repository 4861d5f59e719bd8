#include "brackwater/cli/usage_messages.hpp"

namespace brackwater::cli::usage {
namespace {

// "'--name'"
std::string quoted_option(std::string_view option) {
  return "'--" + std::string(option) + "'";
}

}  // namespace

std::string unrecognised_option(std::string_view argument) {
  return "unrecognised option '" + std::string(argument) + "'";
}

std::string given_more_than_once(std::string_view option) {
  return "option " + quoted_option(option) + " given more than once";
}

std::string needs_value(std::string_view option) {
  return "option " + quoted_option(option) + " needs a value";
}

std::string takes_no_value(std::string_view option) {
  return "option " + quoted_option(option) + " takes no value";
}

std::string unexpected_argument(std::string_view argument) {
  return "unexpected argument '" + std::string(argument) + "'";
}

std::string invalid_value(std::string_view value, std::string_view option,
                          std::string_view expected) {
  return "invalid value '" + std::string(value) + "' for " + quoted_option(option) +
         ": expected " + std::string(expected);
}

std::string missing_operand(std::string_view operand, std::string_view command) {
  return "missing " + std::string(operand) + " for " + std::string(command);
}

std::string empty_path(std::string_view operand) {
  return "the " + std::string(operand) + " path must not be empty";
}

std::string empty_option_path(std::string_view placeholder, std::string_view option) {
  return "the " + std::string(placeholder) + " path of " + quoted_option(option) +
         " must not be empty";
}

std::string needs_option(std::string_view command, std::string_view option,
                         std::string_view placeholder) {
  return std::string(command) + " needs --" + std::string(option) + " " + std::string(placeholder);
}

std::string takes_no_option(std::string_view command, std::string_view option) {
  return std::string(command) + " takes no option " + quoted_option(option);
}

}  // namespace brackwater::cli::usage
