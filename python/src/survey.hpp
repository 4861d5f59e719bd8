#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>

#include "brackwater/dat/database.hpp"
#include "brackwater/survey/report.hpp"
#include "brackwater/survey/resolve.hpp"
#include "brackwater/survey/survey_error.hpp"

namespace brackwater::python {

// One surface's colour as the survey resolves it, within the reads and
// decodes a survey of `db` may make; nothing carries over between calls.
std::expected<survey::SurfaceColor, survey::SurveyError> resolve_surface(const dat::DatDatabase& db,
                                                                     std::uint32_t surface_id);

// The colours tintsurvey reports for the first `limit` surfaces (0: all).
survey::ColorMap survey_colors(const dat::DatDatabase& db, std::size_t limit);

}  // namespace brackwater::python
