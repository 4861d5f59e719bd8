#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <ostream>
#include <span>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "brackwater/tools/report.hpp"
#include "brackwater/tools/resolve.hpp"

namespace brackwater::tools {

// Every surface id of the index (top byte 0x08), ascending.
std::vector<std::uint32_t> surface_ids(const dat::FileIndex& index);

struct SurveyResult {
  ColorMap colors;
  std::uint32_t solid = 0;
  std::uint32_t textured = 0;
  std::uint32_t errors = 0;
};

using SurfaceResolver = std::function<std::expected<SurfaceColor, ToolError>(std::uint32_t)>;
// Told the ids of each window of surfaces (the stretch between two progress
// lines) before the first of them is resolved, to read ahead for them.
using WindowHook = std::function<void(std::span<const std::uint32_t>)>;

// Resolves the first `limit` surfaces (0: all) in ascending id order, printing
// the "found" line, progress lines and the "done." line to `log`. A failed
// surface is counted and dropped. `before_window`, when given, is told each
// window of surfaces before they are resolved.
SurveyResult run_survey(const std::vector<std::uint32_t>& ids, std::size_t limit,
                        const SurfaceResolver& resolve, std::ostream& log,
                        const WindowHook& before_window = {});

}  // namespace brackwater::tools
