#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "brackwater/command_line/program.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "command_line.hpp"
#include "commands.hpp"
#include "one_line.hpp"
#include "output_stream.hpp"

namespace {

using namespace brackwater::inspect;
using brackwater::command_line::write_all;
using brackwater::dat::DatDatabase;

// Textures are the files whose top byte is 0x06.
constexpr std::uint8_t kTextureType = 0x06;

unsigned cores() {
  return std::max(std::thread::hardware_concurrency(), 1u);
}

std::string failure_line(std::string_view message) {
  return "portal-inspect: " + std::string(message) + "\n";
}

Outcome dispatch(const Invocation& call, std::ostream& out) {
  // A report is all a swatch sheet needs.
  if (call.command == Command::Swatch) return draw_swatches(call.report, call.output, std::cerr);
  auto db = DatDatabase::open(call.archive);
  if (!db) {
    return std::unexpected("open " + brackwater::dat::display_path(call.archive) + ": " +
                           one_line(db.error()));
  }
  // No output may replace the archive it comes from.
  const std::array inputs{brackwater::tools::InputFile::at(call.archive, "archive")};
  // Progress lines go to standard error only when it is a terminal.
  std::ostream* const progress = ::isatty(STDERR_FILENO) ? &std::cerr : nullptr;
  switch (call.command) {
    case Command::Ls:
      return list_files(*db, call.type, out);
    case Command::Cat:
      return cat_file(*db, call.id, call.output, inputs, std::cerr);
    case Command::Explain:
      return explain_surface(*db, call.id, out);
    case Command::Errors:
      return count_errors(*db, out, progress);
    case Command::Texture:
      return draw_texture(*db, call.id, call.output, inputs, std::cerr);
    case Command::Sheet:
      return draw_sheet(*db, call.archive, call.report, call.output, std::cerr, progress);
    case Command::Export:
      return export_textures(*db, call.type.value_or(kTextureType), call.output,
                             call.jobs != 0 ? call.jobs : cores(), inputs, std::cerr, progress);
    case Command::Swatch:
      break;
  }
  return {};
}

int run(std::span<const char* const> argv) {
  const auto call = parse_command_line(argv);
  if (!call) return brackwater::command_line::finish(call.error());
  // Standard output as its own descriptor, so that a failed write tells why.
  OutputStreamBuffer stdout_buffer(
      brackwater::tools::OutputFile::adopt(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0)));
  std::ostream out(&stdout_buffer);
  Outcome outcome = dispatch(*call, out);
  out.flush();
  if (outcome && stdout_buffer.failure()) {
    outcome = std::unexpected("write standard output: " + stdout_buffer.failure()->message());
  }
  if (!outcome) {
    write_all(stderr, failure_line(outcome.error()));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe is an error of the write that meets it: reported, not fatal.
  std::signal(SIGPIPE, SIG_IGN);
  return brackwater::command_line::run_main(argc, argv, run, failure_line);
}
