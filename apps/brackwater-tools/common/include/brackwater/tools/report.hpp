#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <string_view>

#include "brackwater/tools/dominant.hpp"
#include "brackwater/tools/tool_error.hpp"

namespace brackwater::tools {

// Resolved colours by surface id, ascending.
using ColorMap = std::map<std::uint32_t, Rgb>;

// The report's exact text: one `"0xXXXXXXXX": [r, g, b]` line per entry.
std::string render_report(const ColorMap& colors);

// "{bytes / 1024} with one decimal", rounded half to even: 1536 gives "1.5".
std::string format_kilobytes(std::uint64_t bytes);

// Creates or truncates `path` and writes all of `text` into it; the errno of
// the failure otherwise.
std::expected<void, int> write_whole_file(const std::filesystem::path& path, std::string_view text);

// Creates the parent directory of `out`, writes the report in one write and
// prints "wrote {out} ({size} KB)" to `log`.
std::expected<void, ToolError> write_report(const ColorMap& colors,
                                            const std::filesystem::path& out, std::ostream& log);

}  // namespace brackwater::tools
