#include "brackwater/tools/survey.hpp"

#include <algorithm>
#include <string>

#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/tools/right_aligned.hpp"

namespace brackwater::tools {
namespace {

// Progress is reported about every twentieth of the way.
constexpr std::size_t kProgressSteps = 20;
constexpr std::size_t kCounterWidth = 5;

// Lines are put together first and written whole: the log is usually an
// unbuffered stderr, which would take one write per piece.
std::string progress_line(std::size_t done, std::size_t to_process, const SurveyResult& result) {
  return "  [" + right_aligned(std::to_string(done), kCounterWidth) + '/' +
         right_aligned(std::to_string(to_process), kCounterWidth) +
         "] ok=" + std::to_string(result.colors.size()) +
         " (solid=" + std::to_string(result.solid) +
         " textured=" + std::to_string(result.textured) + ") err=" + std::to_string(result.errors) +
         '\n';
}

}  // namespace

std::vector<std::uint32_t> surface_ids(const dat::FileIndex& index) {
  std::vector<std::uint32_t> ids;
  for (const auto& [id, entry] : index.of_type(dat::kSurfaceIdType)) ids.push_back(id);
  return ids;
}

SurveyResult run_survey(const std::vector<std::uint32_t>& ids, std::size_t limit,
                        const SurfaceResolver& resolve, std::ostream& log,
                        const WindowHook& before_window) {
  const std::size_t to_process = limit == 0 ? ids.size() : std::min(limit, ids.size());
  log << "tintsurvey: found " + std::to_string(ids.size()) +
             " surfaces in portal DAT; processing " + std::to_string(to_process) + '\n';

  SurveyResult result;
  const std::size_t interval = std::max<std::size_t>(to_process / kProgressSteps, 1);
  for (std::size_t i = 0; i < to_process; ++i) {
    if (i % interval == 0) {
      if (i != 0) log << progress_line(i, to_process, result);
      if (before_window) {
        before_window(std::span(ids).subspan(i, std::min(interval, to_process - i)));
      }
    }
    const auto color = resolve(ids[i]);
    if (!color) {
      // A surface that does not resolve is only counted.
      ++result.errors;
      continue;
    }
    // Ids come in ascending order, so each belongs at the end of the map: the
    // hint spares a search from its root.
    result.colors.insert_or_assign(result.colors.end(), ids[i], color->rgb);
    ++(color->solid ? result.solid : result.textured);
  }

  log << "done. resolved=" + std::to_string(result.colors.size()) +
             " (solid=" + std::to_string(result.solid) +
             " textured=" + std::to_string(result.textured) +
             ") errors=" + std::to_string(result.errors) + '\n';
  return result;
}

}  // namespace brackwater::tools
