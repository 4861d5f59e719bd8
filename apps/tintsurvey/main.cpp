#include <array>
#include <csignal>
#include <iostream>
#include <span>
#include <string>

#include "brackwater/cli/program.hpp"
#include "brackwater/cli/right_aligned.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/survey/survey.hpp"
#include "brackwater/survey/survey_error.hpp"
#include "cli.hpp"
#include "report_file.hpp"

namespace {

using brackwater::cli::write_all;
using brackwater::dat::DatDatabase;
using brackwater::survey::SurveyCounts;
using brackwater::survey::SurveyError;

constexpr std::size_t kCounterWidth = 5;

// Lines are put together first and written whole: standard error is
// unbuffered, and would take one write per piece.
std::string progress_line(const SurveyCounts& counts) {
  using brackwater::cli::right_aligned;
  return "  [" + right_aligned(std::to_string(counts.done), kCounterWidth) + '/' +
         right_aligned(std::to_string(counts.to_process), kCounterWidth) +
         "] ok=" + std::to_string(counts.resolved) + " (solid=" + std::to_string(counts.solid) +
         " textured=" + std::to_string(counts.textured) + ") err=" + std::to_string(counts.errors) +
         '\n';
}

std::string done_line(const SurveyCounts& counts) {
  return "done. resolved=" + std::to_string(counts.resolved) +
         " (solid=" + std::to_string(counts.solid) +
         " textured=" + std::to_string(counts.textured) +
         ") errors=" + std::to_string(counts.errors) + '\n';
}

int run(std::span<const char* const> argv) {
  auto cli = brackwater::tintsurvey::parse_cli(argv);
  if (!cli) return brackwater::cli::finish(cli.error());
  auto db = DatDatabase::open(cli->portal_dat);
  if (!db) {
    const std::string context = "open " + brackwater::dat::display_path(cli->portal_dat);
    write_all(stderr, SurveyError::wrap(context, db.error()).render());
    return 1;
  }
  // The report may never replace the archive it comes from.
  const std::array inputs{brackwater::cli::InputFile::at(cli->portal_dat, "archive")};
  const auto ids = brackwater::survey::surface_ids(db->index());
  const std::size_t to_process = cli->limit == 0 ? ids.size() : std::min(cli->limit, ids.size());
  std::cerr << "tintsurvey: found " + std::to_string(ids.size()) +
                   " surfaces in portal DAT; processing " + std::to_string(to_process) + '\n';
  const auto survey = brackwater::survey::run_survey(
      *db, ids,
      {.limit = cli->limit,
       .progress = [](const SurveyCounts& counts) { std::cerr << progress_line(counts); }});
  std::cerr << done_line(survey.counts);
  // The colours of an archive that changed under the survey are of a
  // mixture: the old report stays.
  if (survey.archive_changed) {
    const std::string context = "read " + brackwater::dat::display_path(cli->portal_dat);
    write_all(stderr, SurveyError::wrap(context, *survey.archive_changed).render());
    return 1;
  }
  if (auto written = brackwater::tintsurvey::write_report(survey.colors, cli->out, std::cerr, inputs);
      !written) {
    write_all(stderr, written.error().render());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe is an error of the write that meets it, not the end of the
  // run: lost progress lines must not cost the report.
  std::signal(SIGPIPE, SIG_IGN);
  return brackwater::cli::run_main(
      argc, argv, run, [](std::string_view what) { return SurveyError(std::string(what)).render(); });
}
