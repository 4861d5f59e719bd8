#include <fcntl.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <array>
#include <csignal>
#include <iostream>
#include <span>
#include <string>
#include <string_view>

#include "brackwater/cli/program.hpp"
#include "command_line.hpp"
#include "commands.hpp"
#include "drawing.hpp"
#include "mount.hpp"
#include "output_stream.hpp"

namespace {

using namespace brackwater::inspect;
using brackwater::cli::write_all;

// The one place a failure is printed: no byte of a file name, report key or
// archive reaches the terminal as a control character.
std::string failure_line(std::string_view message) {
  return "portal-inspect: " + terminal_safe(message) + "\n";
}

Outcome dispatch(const Invocation& call, std::ostream& out) {
  if (draws_png(call.command)) return draw(call);
  if (call.command == Command::Mount) return mount(call);
  auto db = open_archive(call.archive);
  if (!db) return std::unexpected(std::move(db.error()));
  // No output may replace the archive it comes from.
  const std::array inputs{brackwater::cli::InputFile::at(call.archive, "archive")};
  // Progress lines go to standard error only when it is a terminal.
  std::ostream* const progress = ::isatty(STDERR_FILENO) ? &std::cerr : nullptr;
  switch (call.command) {
    case Command::Ls:
      return list_files(*db, call.type, out);
    case Command::Cat:
      return cat_file(*db, call.id, call.output, inputs, std::cerr);
    case Command::Explain:
      return explain_surface(*db, call.id, out);
    case Command::Errors: {
      return call.list_failures ? list_failures(*db, out, progress)
                                : count_errors(*db, out, progress);
    }
    case Command::Texture:
    case Command::Sheet:
    case Command::Export:
    case Command::Swatch:
    case Command::Mount:
      break;
  }
  return {};
}

int run(std::span<const char* const> argv) {
  const auto call = parse_command_line(argv);
  if (!call) return brackwater::cli::finish(call.error());
  // Standard output as its own descriptor, so that a failed write tells why.
  OutputStreamBuffer stdout_buffer(
      brackwater::cli::OutputFile::adopt(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0)));
  std::ostream out(&stdout_buffer);
  Outcome outcome = dispatch(*call, out);
  out.flush();
  if (outcome && stdout_buffer.failure()) {
    outcome = std::unexpected(InspectError("write standard output", *stdout_buffer.failure()));
  }
  if (!outcome) {
    write_all(stderr, failure_line(outcome.error().line()));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe is an error of the write that meets it: reported, not fatal.
  std::signal(SIGPIPE, SIG_IGN);
#ifdef __GLIBC__
  // Drawing makes and frees an image of up to a few MB per texture on each
  // thread; memory handed back to the system after each one is faulted in
  // and cleared again for the next, about a tenth of an export's time.
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
  return brackwater::cli::run_main(argc, argv, run, failure_line);
}
