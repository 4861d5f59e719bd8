#include "survey.hpp"

#include "brackwater/survey/survey.hpp"

namespace brackwater::python {

std::expected<survey::SurfaceColor, survey::SurveyError> resolve_surface(
    const dat::DatDatabase& db, std::uint32_t surface_id) {
  survey::ResolveSession session = survey::ResolveSession::for_archive(db);
  return survey::dominant_for(db, surface_id, nullptr, &session);
}

survey::ColorMap survey_colors(const dat::DatDatabase& db, std::size_t limit) {
  return survey::run_survey(db, survey::surface_ids(db.index()), {.limit = limit}).colors;
}

}  // namespace brackwater::python
