#include "survey.hpp"

#include <utility>

#include "brackwater/survey/survey.hpp"

namespace brackwater::python {
namespace {

// Runs `work` in a session of `db` whose reads are drawn from `reads`.
template <class Work>
auto in_session(const dat::DatDatabase& db, dat::ReadBudget& reads, Work work) {
  survey::ResolveSession session = survey::ResolveSession::for_archive(db);
  session.reads = reads;
  auto result = work(session);
  reads = session.reads;
  return result;
}

}  // namespace

std::expected<survey::SurfaceColor, survey::SurveyError> resolve_surface(
    const dat::DatDatabase& db, std::uint32_t surface_id, dat::ReadBudget& reads) {
  return in_session(db, reads, [&](survey::ResolveSession& session) {
    return survey::dominant_for(db, surface_id, nullptr, &session);
  });
}

std::expected<dat::Bytes, dat::TextureDecodeError> texture_pixels(
    const dat::DatDatabase& db, const dat::Texture& texture, const survey::PaletteChoice& choice,
    dat::ReadBudget& reads) {
  return in_session(db, reads, [&](survey::ResolveSession& session) {
    return survey::texture_rgba8(db, texture, choice, nullptr, &session);
  });
}

survey::ColorMap survey_colors(const dat::DatDatabase& db, std::size_t limit) {
  return survey::run_survey(db, survey::surface_ids(db.index()), {.limit = limit}).colors;
}

}  // namespace brackwater::python
