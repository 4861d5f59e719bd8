// errors: why surfaces fail, a row per kind of failure, or one line per
// failing surface.
#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "brackwater/cli/progress_line.hpp"
#include "brackwater/cli/right_aligned.hpp"
#include "brackwater/survey/one_line.hpp"
#include "brackwater/survey/survey.hpp"
#include "commands.hpp"
#include "failure_groups.hpp"

namespace brackwater::inspect {
namespace {

constexpr std::size_t kExamples = 5;
constexpr std::size_t kCountWidth = 7;

struct Failures {
  std::size_t surfaces = 0;
  std::vector<SurfaceFailure> failed;  // ascending id
};

// Surveys every surface as tintsurvey does, keeping those that fail; fails
// when the archive changed while it was read.
std::expected<Failures, InspectError> resolve_all(const dat::DatDatabase& db,
                                                  std::ostream* progress) {
  const std::vector<std::uint32_t> ids = survey::surface_ids(db.index());
  Failures result{ids.size(), {}};
  // Wiped before anything else is printed.
  cli::ProgressLine shown(progress, "checking surfaces", ids.size());
  const survey::SurveyResult survey = survey::run_survey(
      db, ids,
      {.progress = [&](const survey::SurveyCounts& counts) { shown.update(counts.done); },
       .on_outcome = [&](std::uint32_t id, const survey::SurfaceOutcome& color) {
         if (!color) result.failed.push_back({id, color.error()});
         return true;
       }});
  if (survey.archive_changed) return std::unexpected(archive_changed(*survey.archive_changed));
  return result;
}

}  // namespace

Outcome count_errors(const dat::DatDatabase& db, std::ostream& out, std::ostream* progress) {
  const auto resolved = resolve_all(db, progress);
  if (!resolved) return std::unexpected(resolved.error());
  const Failures& failures = *resolved;
  const std::size_t failed = failures.failed.size();
  out << failures.surfaces << " surfaces: " << failures.surfaces - failed << " resolved, " << failed
      << " failed\n";
  if (failed == 0) return {};
  out << "\n  COUNT  MESSAGE\n";
  for (const FailureGroup& group : group_failures(failures.failed)) {
    out << cli::right_aligned(std::to_string(group.ids.size()), kCountWidth) << "  " << group.label
        << '\n'
        << std::string(kCountWidth + 2, ' ');
    for (std::size_t i = 0; i < std::min(group.ids.size(), kExamples); ++i) {
      out << (i == 0 ? "" : " ") << show_id(group.ids[i]);
    }
    out << '\n';
  }
  return {};
}

Outcome list_failures(const dat::DatDatabase& db, std::ostream& out, std::ostream* progress) {
  const auto resolved = resolve_all(db, progress);
  if (!resolved) return std::unexpected(resolved.error());
  for (const SurfaceFailure& failure : resolved->failed) {
    out << show_id(failure.id) << '\t' << survey::one_line(failure.error) << '\n';
  }
  return {};
}

}  // namespace brackwater::inspect
