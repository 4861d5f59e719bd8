#include <cstdio>
#include <exception>
#include <iostream>
#include <span>
#include <string>

#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "command_line.hpp"
#include "commands.hpp"
#include "one_line.hpp"

namespace {

using namespace brackwater::inspect;
using brackwater::dat::DatDatabase;

void write_all(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

Outcome dispatch(const Invocation& call) {
  // A report is all a swatch sheet needs.
  if (call.command == Command::Swatch) return draw_swatches(call.report, call.output, std::cerr);
  auto db = DatDatabase::open(call.archive);
  if (!db) {
    return std::unexpected("open " + brackwater::dat::display_path(call.archive) + ": " +
                           one_line(db.error().message()));
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
  if (!call) {
    write_all(call.error().status == 0 ? stdout : stderr, call.error().text);
    return call.error().status;
  }
  const Outcome outcome = dispatch(*call);
  std::cout.flush();
  if (!outcome) {
    write_all(stderr, "portal-inspect: " + outcome.error() + "\n");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(std::span<const char* const>(argv, static_cast<std::size_t>(argc)));
  } catch (const std::exception& e) {
    write_all(stderr, std::string("portal-inspect: ") + e.what() + "\n");
  } catch (...) {
    write_all(stderr, "portal-inspect: unexpected failure\n");
  }
  return 1;
}
