#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "brackwater/cli/cli_exit.hpp"

namespace brackwater::inspect {

enum class Command { Ls, Cat, Explain, Errors, Texture, Swatch, Sheet, Export, Mount };

// One parsed invocation; the fields a command does not take stay empty.
struct Invocation {
  Command command = Command::Ls;
  std::filesystem::path archive;  // empty for swatch given without one
  std::uint32_t id = 0;           // cat, explain, texture
  std::optional<std::uint8_t> type;
  std::filesystem::path report;  // swatch, sheet
  std::filesystem::path output;  // --out or a synonym (--png, --html, export DIR); mount DIR
  bool list_failures = false;    // errors --ids
  bool foreground = false;       // mount --foreground
  unsigned jobs = 0;             // export --jobs; 0 when not given
};

using cli::CliExit;

std::expected<Invocation, CliExit> parse_command_line(std::span<const char* const> argv);

// The command's name as typed, and whether it draws a PNG image (which needs libpng).
std::string_view command_name(Command command);
bool draws_png(Command command);

// Hexadecimal with an optional "0x": one to eight digits for a file id, one
// or two for a type byte.
std::optional<std::uint32_t> parse_file_id(std::string_view text);
std::optional<std::uint8_t> parse_type_byte(std::string_view text);

}  // namespace brackwater::inspect
