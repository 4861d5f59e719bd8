#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>

#include "brackwater/cli/cli_exit.hpp"

namespace mkportal {

enum class Profile { Sample, Large };

struct Command {
  Profile profile = Profile::Sample;
  std::filesystem::path out;
  std::uint64_t seed = 1;
  double scale = 1.0;  // large only
};

// The most --scale accepts: archive offsets are 32-bit, and scale 1 writes
// about 500 MB.
inline constexpr double kMaxScale = 7.0;

std::expected<Command, brackwater::cli::CliExit> parse_command_line(
    std::span<const char* const> argv);

}  // namespace mkportal
