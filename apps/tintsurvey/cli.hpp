#pragma once

#include <cstddef>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "brackwater/cli/cli_exit.hpp"

namespace brackwater::tintsurvey {

// The tool's options.
struct Cli {
  std::filesystem::path portal_dat;
  std::filesystem::path out;
  std::size_t limit = 0;  // 0 means every surface
};

using cli::CliExit;

// Parses the raw argument vector, program name first.
std::expected<Cli, CliExit> parse_cli(std::span<const char* const> argv);

// An optional "+" then decimal digits only, up to the size type's maximum.
std::optional<std::size_t> parse_limit(std::string_view text);

}  // namespace brackwater::tintsurvey
