// Runs a command and records what it cost: wall time, user and system CPU
// time with microsecond resolution, and peak resident memory.
//
//   run_usage OUT COMMAND [ARG...]
//
// Writes "wall_us user_us sys_us maxrss_kb" to OUT and exits with the
// command's status.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace {

long long microseconds(const timeval& t) {
  return static_cast<long long>(t.tv_sec) * 1'000'000 + t.tv_usec;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUT COMMAND [ARG...]\n", argv[0]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("fork");
    return 1;
  }
  if (child == 0) {
    ::execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) != child) {
    std::perror("wait4");
    return 1;
  }
  const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  std::FILE* out = std::fopen(argv[1], "w");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(out, "%lld %lld %lld %ld\n", static_cast<long long>(wall.count()),
               microseconds(usage.ru_utime), microseconds(usage.ru_stime), usage.ru_maxrss);
  std::fclose(out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
