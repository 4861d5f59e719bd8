#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <map>
#include <ostream>
#include <span>
#include <string>

#include "brackwater/tools/dominant.hpp"
#include "brackwater/tools/output_file.hpp"
#include "brackwater/tools/tool_error.hpp"

namespace brackwater::tools {

// Resolved colours by surface id, ascending.
using ColorMap = std::map<std::uint32_t, Rgb>;

// The report's exact text: one `"0xXXXXXXXX": [r, g, b]` line per entry.
std::string render_report(const ColorMap& colors);

// "{bytes / 1024} with one decimal", rounded half to even: 1536 gives "1.5".
std::string format_kilobytes(std::uint64_t bytes);

// Creates the parent directory of `out`, writes the report (never over one of
// `inputs`, and keeping the old file until the new one is complete) and
// prints "wrote {out} ({size} KB)" to `log`.
std::expected<void, ToolError> write_report(const ColorMap& colors,
                                            const std::filesystem::path& out, std::ostream& log,
                                            std::span<const InputFile> inputs = {});

}  // namespace brackwater::tools
