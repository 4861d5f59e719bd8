// errors: why surfaces fail, by the shape of their messages, or one line per
// failing surface.
#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "brackwater/survey/one_line.hpp"
#include "brackwater/cli/right_aligned.hpp"
#include "brackwater/survey/survey.hpp"
#include "commands.hpp"
#include "message_shape.hpp"
#include "brackwater/cli/progress_line.hpp"

namespace brackwater::inspect {
namespace {

constexpr std::size_t kExamples = 5;
constexpr std::size_t kCountWidth = 7;

struct Failure {
  std::uint32_t id = 0;
  std::string message;  // in one line
};

struct Failures {
  std::size_t surfaces = 0;
  std::vector<Failure> failed;  // ascending id
};

// Surveys every surface as tintsurvey does, keeping those that fail; fails
// when the archive changed while it was read.
std::expected<Failures, std::string> resolve_all(const dat::DatDatabase& db,
                                                 std::ostream* progress) {
  const std::vector<std::uint32_t> ids = survey::surface_ids(db.index());
  Failures result{ids.size(), {}};
  // Wiped before anything else is printed.
  cli::ProgressLine shown(progress, "checking surfaces", ids.size());
  const survey::SurveyResult survey = survey::run_survey(
      db, ids,
      {.progress = [&](const survey::SurveyCounts& counts) { shown.update(counts.done); },
       .on_outcome = [&](std::uint32_t id, const survey::SurfaceOutcome& color) {
         if (!color) result.failed.push_back({id, survey::one_line(color.error())});
         return true;
       }});
  if (survey.archive_changed) return std::unexpected(archive_changed(*survey.archive_changed));
  return result;
}

// Failures whose messages differ only in ids and offsets.
struct FailureGroup {
  std::string shape;
  std::string message;  // the first; shown when every member's reads the same
  bool one_message = true;
  std::size_t count = 0;
  std::vector<std::uint32_t> examples;  // the lowest ids that failed with it
};

// Most frequent first; among equals, the one whose first surface comes first.
bool comes_first(const FailureGroup& a, const FailureGroup& b) {
  if (a.count != b.count) return a.count > b.count;
  return a.examples.front() < b.examples.front();
}

std::vector<FailureGroup> grouped(const std::vector<Failure>& failures) {
  std::map<std::string, FailureGroup> by_shape;
  for (const Failure& failure : failures) {
    std::string shape = message_shape(failure.message);
    FailureGroup& group = by_shape[shape];
    if (group.count++ == 0) {
      group.shape = std::move(shape);
      group.message = failure.message;
    } else if (failure.message != group.message) {
      group.one_message = false;
    }
    if (group.examples.size() < kExamples) group.examples.push_back(failure.id);
  }
  std::vector<FailureGroup> groups;
  for (auto& [shape, group] : by_shape) groups.push_back(std::move(group));
  std::ranges::sort(groups, comes_first);
  return groups;
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
  for (const FailureGroup& group : grouped(failures.failed)) {
    out << cli::right_aligned(std::to_string(group.count), kCountWidth) << "  "
        << (group.one_message ? group.message : group.shape) << '\n'
        << std::string(kCountWidth + 2, ' ');
    for (std::size_t i = 0; i < group.examples.size(); ++i) {
      out << (i == 0 ? "" : " ") << show_id(group.examples[i]);
    }
    out << '\n';
  }
  return {};
}

Outcome list_failures(const dat::DatDatabase& db, std::ostream& out, std::ostream* progress) {
  const auto resolved = resolve_all(db, progress);
  if (!resolved) return std::unexpected(resolved.error());
  for (const Failure& failure : resolved->failed) {
    out << show_id(failure.id) << '\t' << failure.message << '\n';
  }
  return {};
}

}  // namespace brackwater::inspect
