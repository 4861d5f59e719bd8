#include "survey.hpp"

#include <ostream>

#include "brackwater/tools/survey.hpp"

namespace brackwater::python {

std::expected<tools::SurfaceColor, tools::ToolError> resolve_surface(const dat::DatDatabase& db,
                                                                     std::uint32_t surface_id) {
  tools::ResolveSession session = tools::ResolveSession::for_archive(db);
  return tools::dominant_for(db, surface_id, nullptr, &session);
}

tools::ColorMap survey_colors(const dat::DatDatabase& db, std::size_t limit) {
  tools::ResolveSession session = tools::ResolveSession::for_archive(db);
  const auto resolve = [&](std::uint32_t id) {
    return tools::dominant_for(db, id, nullptr, &session);
  };
  // The progress lines are the tool's; a stream without a buffer drops them.
  std::ostream discard(nullptr);
  return tools::run_survey(tools::surface_ids(db.index()), limit, resolve, discard).colors;
}

}  // namespace brackwater::python
