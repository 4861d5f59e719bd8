#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "brackwater/dat/database.hpp"
#include "brackwater/cli/output_file.hpp"
#include "inspect_error.hpp"

namespace brackwater::inspect {

// A command's end: success, or why it failed, which main prints in one line.
using Outcome = std::expected<void, InspectError>;

// Command output goes to `out`; notes such as "wrote ..." go to `log`. A file
// written is never one of `inputs`.
Outcome list_files(const dat::DatDatabase& db, std::optional<std::uint8_t> type, std::ostream& out);
Outcome cat_file(const dat::DatDatabase& db, std::uint32_t id, const std::filesystem::path& file,
                 std::span<const cli::InputFile> inputs, std::ostream& log);
Outcome explain_surface(const dat::DatDatabase& db, std::uint32_t id, std::ostream& out);
// `progress` is standard error when it is a terminal, null otherwise. Failures
// are counted by their kind (see group_failures), or listed one surface a line.
Outcome count_errors(const dat::DatDatabase& db, std::ostream& out, std::ostream* progress);
Outcome list_failures(const dat::DatDatabase& db, std::ostream& out, std::ostream* progress);
Outcome draw_texture(const dat::DatDatabase& db, std::uint32_t id, const std::filesystem::path& png,
                     std::span<const cli::InputFile> inputs, std::ostream& log);
Outcome draw_swatches(const std::filesystem::path& report, const std::filesystem::path& png,
                      std::ostream& log);
// `dir`/index.html with one tile per surface of the report beside the
// textures the archive gives it, drawn into `dir`/textures. `progress` is
// standard error when it is a terminal, null otherwise.
Outcome draw_sheet(const dat::DatDatabase& db, const std::filesystem::path& archive,
                   const std::filesystem::path& report, const std::filesystem::path& dir,
                   std::ostream& log, std::ostream* progress);

// Every file of `type` decoded as a Texture (default palette) into
// `dir`/0xXXXXXXXX.png on `jobs` threads; what is written and logged does
// not depend on `jobs`. Files that have no image are listed on `log` and
// counted; a file that cannot be written ends the run.
Outcome export_textures(const dat::DatDatabase& db, std::uint8_t type,
                        const std::filesystem::path& dir, unsigned jobs,
                        std::span<const cli::InputFile> inputs, std::ostream& log,
                        std::ostream* progress);

// Why a command that read many files gives up: "read the archive" and the
// library's error.
InspectError archive_changed(const dat::DatError& error);

// "0x" and eight upper-case hex digits, as ids are shown everywhere.
std::string show_id(std::uint32_t id);

// The archive opened, or "open {path}" and the library's error.
std::expected<dat::DatDatabase, InspectError> open_archive(const std::filesystem::path& archive);

// Fails unless `id` is in the archive's index.
Outcome require_file(const dat::DatDatabase& db, std::uint32_t id);

}  // namespace brackwater::inspect
