// mkportal: writes the synthetic portal archives that samples, tests and
// benchmarks run on.

#include <exception>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include "brackwater/cli/program.hpp"
#include "brackwater/cli/sizes.hpp"
#include "command_line.hpp"
#include "profiles.hpp"

namespace {

using brackwater::cli::write_all;
using mkportal::ArchiveSummary;
using mkportal::Command;

std::string failure_line(std::string_view message) {
  return "mkportal: " + std::string(message) + "\n";
}

std::expected<ArchiveSummary, std::string> write_archive(const Command& command) {
  const std::filesystem::path parent = command.out.parent_path();
  if (std::error_code error;
      !parent.empty() && !std::filesystem::create_directories(parent, error) && error) {
    return std::unexpected("cannot create directory " + parent.string() + ": " + error.message());
  }
  try {
    return command.profile == mkportal::Profile::Sample
               ? mkportal::write_sample(command.out, command.seed)
               : mkportal::write_large(command.out, command.scale, command.seed);
  } catch (const std::exception& e) {
    // Runs out of memory, or of 32-bit archive offsets.
    return std::unexpected(command.out.string() + ": " + e.what());
  }
}

int run(std::span<const char* const> argv) {
  const auto command = mkportal::parse_command_line(argv);
  if (!command) return brackwater::cli::finish(command.error());
  const auto summary = write_archive(*command);
  if (!summary) {
    write_all(stderr, failure_line(summary.error()));
    return 1;
  }
  write_all(stderr, "mkportal: wrote " + command->out.string() + ": " +
                        std::to_string(summary->files) + " files, " +
                        std::to_string(summary->surfaces) + " surfaces (" +
                        std::to_string(summary->broken) + " broken), " +
                        brackwater::cli::one_decimal(summary->bytes, 1'000'000) + " MB\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return brackwater::cli::run_main(argc, argv, run, failure_line);
}
