#include <iostream>
#include <span>
#include <string>
#include <string_view>

#include "brackwater/command_line/program.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "command_line.hpp"
#include "commands.hpp"
#include "one_line.hpp"

namespace {

using namespace brackwater::inspect;
using brackwater::command_line::write_all;
using brackwater::dat::DatDatabase;

std::string failure_line(std::string_view message) {
  return "portal-inspect: " + std::string(message) + "\n";
}

Outcome dispatch(const Invocation& call) {
  // A report is all a swatch sheet needs.
  if (call.command == Command::Swatch) return draw_swatches(call.report, call.output, std::cerr);
  auto db = DatDatabase::open(call.archive);
  if (!db) {
    return std::unexpected("open " + brackwater::dat::display_path(call.archive) + ": " +
                           one_line(db.error()));
  }
  switch (call.command) {
    case Command::Ls:
      return list_files(*db, call.type, std::cout);
    case Command::Cat:
      return cat_file(*db, call.id, call.output, std::cerr);
    case Command::Explain:
      return explain_surface(*db, call.id, std::cout);
    case Command::Errors:
      return count_errors(*db, std::cout);
    case Command::Texture:
      return draw_texture(*db, call.id, call.output, std::cerr);
    case Command::Swatch:
      break;
  }
  return {};
}

int run(std::span<const char* const> argv) {
  const auto call = parse_command_line(argv);
  if (!call) return brackwater::command_line::finish(call.error());
  const Outcome outcome = dispatch(*call);
  std::cout.flush();
  if (!outcome) {
    write_all(stderr, failure_line(outcome.error()));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return brackwater::command_line::run_main(argc, argv, run, failure_line);
}
