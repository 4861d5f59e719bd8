#include <cstdio>
#include <exception>
#include <iostream>
#include <span>
#include <string>

#include "command_line.hpp"
#include "commands.hpp"
#include "drawing.hpp"

namespace {

using namespace brackwater::inspect;

void write_all(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

Outcome dispatch(const Invocation& call) {
  if (draws_png(call.command)) return draw(call);
  auto db = open_archive(call.archive);
  if (!db) return std::unexpected(db.error());
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
