#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>

#include "brackwater/dat/database.hpp"
#include "brackwater/tools/report.hpp"
#include "brackwater/tools/resolve.hpp"
#include "brackwater/tools/tool_error.hpp"

namespace brackwater::python {

// One surface's colour as the survey resolves it, within the reads and
// decodes a survey of `db` may make; nothing carries over between calls.
std::expected<tools::SurfaceColor, tools::ToolError> resolve_surface(const dat::DatDatabase& db,
                                                                     std::uint32_t surface_id);

// The colours tintsurvey reports for the first `limit` surfaces (0: all).
tools::ColorMap survey_colors(const dat::DatDatabase& db, std::size_t limit);

}  // namespace brackwater::python
