#include <cstdio>
#include <exception>
#include <span>
#include <string>

#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/tools/tool_error.hpp"
#include "cli.hpp"

namespace {

using brackwater::dat::DatDatabase;
using brackwater::tools::ToolError;

void write_all(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

int run(std::span<const char* const> argv) {
  auto cli = brackwater::tintsurvey::parse_cli(argv);
  if (!cli) {
    write_all(cli.error().status == 0 ? stdout : stderr, cli.error().text);
    return cli.error().status;
  }
  auto db = DatDatabase::open(cli->portal_dat);
  if (!db) {
    const std::string context = "open " + brackwater::dat::display_path(cli->portal_dat);
    write_all(stderr, ToolError::wrap(context, db.error()).render());
    return 1;
  }
  // The survey over the open archive and its report run here.
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(std::span<const char* const>(argv, static_cast<std::size_t>(argc)));
  } catch (const std::exception& e) {
    write_all(stderr, ToolError(e.what()).render());
  } catch (...) {
    write_all(stderr, ToolError("unexpected failure").render());
  }
  return 1;
}
