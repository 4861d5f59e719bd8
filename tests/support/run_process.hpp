#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace test_support {

struct ProcessResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;
  std::string err;
};

namespace detail {
inline std::string drain(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t got;
  while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<std::size_t>(got));
  return text;
}
}  // namespace detail

// Runs `program` with `args` in `cwd`, standard output and standard error
// captured through files so neither pipe can fill up. `in_child` runs in the
// child just before the program starts, to rearrange its descriptors.
inline ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                                 const std::filesystem::path& cwd = std::filesystem::current_path(),
                                 const std::function<void()>& in_child = {}) {
  char out_name[] = "/tmp/brackwater-out-XXXXXX";
  char err_name[] = "/tmp/brackwater-err-XXXXXX";
  const int out_fd = ::mkstemp(out_name);
  const int err_fd = ::mkstemp(err_name);
  ::unlink(out_name);
  ::unlink(err_name);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out_fd, 1);
    ::dup2(err_fd, 2);
    if (::chdir(cwd.c_str()) != 0) ::_exit(127);
    if (in_child) in_child();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int raw = 0;
  ::waitpid(pid, &raw, 0);
  ProcessResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  ::lseek(out_fd, 0, SEEK_SET);
  ::lseek(err_fd, 0, SEEK_SET);
  result.out = detail::drain(out_fd);
  result.err = detail::drain(err_fd);
  ::close(out_fd);
  ::close(err_fd);
  return result;
}

}  // namespace test_support
