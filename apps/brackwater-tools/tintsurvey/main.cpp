#include <array>
#include <csignal>
#include <functional>
#include <iostream>
#include <span>
#include <string>

#include "brackwater/command_line/program.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/tools/report.hpp"
#include "brackwater/tools/survey.hpp"
#include "brackwater/tools/tool_error.hpp"
#include "brackwater/tools/window_prefetch.hpp"
#include "cli.hpp"

namespace {

using brackwater::command_line::write_all;
using brackwater::dat::DatDatabase;
using brackwater::tools::dominant_for;
using brackwater::tools::InputFile;
using brackwater::tools::ResolveSession;
using brackwater::tools::run_survey;
using brackwater::tools::surface_ids;
using brackwater::tools::SurveyResult;
using brackwater::tools::ToolError;
using brackwater::tools::WindowPrefetch;
using brackwater::tools::write_report;

int run(std::span<const char* const> argv) {
  auto cli = brackwater::tintsurvey::parse_cli(argv);
  if (!cli) return brackwater::command_line::finish(cli.error());
  auto db = DatDatabase::open(cli->portal_dat);
  if (!db) {
    const std::string context = "open " + brackwater::dat::display_path(cli->portal_dat);
    write_all(stderr, ToolError::wrap(context, db.error()).render());
    return 1;
  }
  // The report may never replace the archive it comes from.
  const std::array inputs{InputFile::at(cli->portal_dat, "archive")};
  const auto ids = surface_ids(db->index());
  // Bounds the work a crafted archive can cause; a sound one stays well inside.
  ResolveSession session = ResolveSession::for_archive(*db);
  const auto resolve = [&](std::uint32_t id) { return dominant_for(*db, id, nullptr, &session); };
  // Each window's reads are brought in many at a time, ahead of resolving it.
  WindowPrefetch prefetch(*db, session);
  const SurveyResult survey = run_survey(ids, cli->limit, resolve, std::cerr, std::ref(prefetch));
  if (auto written = write_report(survey.colors, cli->out, std::cerr, inputs); !written) {
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
  return brackwater::command_line::run_main(
      argc, argv, run, [](std::string_view what) { return ToolError(std::string(what)).render(); });
}
