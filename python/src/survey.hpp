#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "brackwater/dat/read_budget.hpp"
#include "brackwater/survey/report.hpp"
#include "brackwater/survey/resolve.hpp"
#include "brackwater/survey/survey_error.hpp"

namespace brackwater::python {

// One surface's colour as the survey resolves it, within the decodes a survey
// of `db` may make and with its reads drawn from `reads`; nothing else
// carries over between calls.
std::expected<survey::SurfaceColor, survey::SurveyError> resolve_surface(
    const dat::DatDatabase& db, std::uint32_t surface_id, dat::ReadBudget& reads);

// The texture as RGBA8, a palette it needs read within `reads`.
std::expected<dat::Bytes, dat::TextureDecodeError> texture_pixels(
    const dat::DatDatabase& db, const dat::Texture& texture, const survey::PaletteChoice& choice,
    dat::ReadBudget& reads);

// The colours tintsurvey reports for the first `limit` surfaces (0: all),
// within the limits tintsurvey runs with.
survey::ColorMap survey_colors(const dat::DatDatabase& db, std::size_t limit);

}  // namespace brackwater::python
