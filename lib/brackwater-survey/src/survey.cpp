#include "brackwater/survey/survey.hpp"

#include <algorithm>

#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/survey/window_prefetch.hpp"

namespace brackwater::survey {
namespace {

// Progress is told in twentieths of the way.
constexpr std::size_t kWindows = 20;

bool changed_while_read(const SurveyError& error) {
  const auto* cause = std::get_if<dat::DatError>(&error.failure());
  return cause && cause->archive_changed();
}

}  // namespace

std::vector<std::uint32_t> surface_ids(const dat::FileIndex& index) {
  std::vector<std::uint32_t> ids;
  for (const auto& [id, entry] : index.of_type(dat::kSurfaceIdType)) ids.push_back(id);
  return ids;
}

SurveyResult run_survey(const dat::DatDatabase& db, ResolveSession& session,
                        std::span<const std::uint32_t> ids, const SurveyOptions& options) {
  SurveyResult result;
  SurveyCounts& counts = result.counts;
  counts.to_process = options.limit == 0 ? ids.size() : std::min(options.limit, ids.size());
  WindowPrefetch prefetch(db, session, ids.first(counts.to_process), options.read_ahead,
                          options.read_ahead_when);
  const std::size_t window = std::max<std::size_t>(counts.to_process / kWindows, 1);
  for (std::size_t i = 0; i < counts.to_process; ++i) {
    if (i % window == 0 && i != 0 && options.progress) options.progress(counts);
    prefetch.before(i);
    const SurfaceOutcome color = dominant_for(db, ids[i], options.observer, &session);
    ++counts.done;
    if (color) {
      // Ids come in ascending order, so each belongs at the end of the map:
      // the hint spares a search from its root.
      result.colors.insert_or_assign(result.colors.end(), ids[i], color->rgb);
      ++counts.resolved;
      ++(color->solid ? counts.solid : counts.textured);
    } else {
      ++counts.errors;
    }
    if (options.on_outcome && !options.on_outcome(ids[i], color)) break;
    if (!color && changed_while_read(color.error())) {
      result.archive_changed = dat::DatError(dat::IoError::changed());
      return result;
    }
  }
  if (auto same = db.verify_unchanged(); !same) result.archive_changed = std::move(same.error());
  return result;
}

SurveyResult run_survey(const dat::DatDatabase& db, std::span<const std::uint32_t> ids,
                        const SurveyOptions& options, const Limits& limits) {
  ResolveSession session = ResolveSession::for_archive(db, limits);
  return run_survey(db, session, ids, options);
}

}  // namespace brackwater::survey
