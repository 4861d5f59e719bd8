#include "brackwater/cli/program.hpp"

#include <exception>
#include <new>

namespace brackwater::cli {

void write_all(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

int finish(const CliExit& exit) {
  write_all(exit.status == 0 ? stdout : stderr, exit.text);
  return exit.status;
}

int run_main(int argc, char** argv, Run run, FailureText failure_text) {
  try {
    return run(std::span<const char* const>(argv, static_cast<std::size_t>(argc)));
  } catch (const std::bad_alloc&) {
    // Its what() is the bare class name, which tells a user nothing.
    write_all(stderr, failure_text("out of memory"));
  } catch (const std::exception& e) {
    write_all(stderr, failure_text(e.what()));
  } catch (...) {
    write_all(stderr, failure_text("unexpected failure"));
  }
  return 1;
}

}  // namespace brackwater::cli
