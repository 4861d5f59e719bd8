#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "temp_dir.hpp"
#include "test_records.hpp"

namespace {

namespace fs = std::filesystem;

// Whether process `pid` is inside a write to its standard error.
bool writing_to_stderr(pid_t pid) {
  std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
  std::string number, fd;
  syscall >> number >> fd;
  return number == std::to_string(SYS_write) && fd == "0x2";
}

// The survey tells how many surfaces it found once the archive is open, and
// blocks there on a full pipe while the test cuts the archive to half; the
// rest of the survey then reads a changed archive. The report from before
// must stay as it was, and the run fail.
TEST(ArchiveChanged, ArchiveCutWhileTheSurveyRunsKeepsThePreviousReport) {
  const test_support::TempDir dir;
  const fs::path archive = dir.path() / "portal.dat";
  const fs::path report = dir.path() / "report.json";
  ASSERT_TRUE(test_support::every_record_archive().write(archive));
  { std::ofstream(report) << "previous"; }

  int pipe_ends[2];
  ASSERT_EQ(::pipe2(pipe_ends, O_CLOEXEC), 0);
  ::fcntl(pipe_ends[1], F_SETPIPE_SZ, 4096);
  // Filled, so that the survey's first line blocks.
  ::fcntl(pipe_ends[1], F_SETFL, O_NONBLOCK);
  const std::string filler(4096, '.');
  std::size_t filled = 0;
  for (ssize_t wrote; (wrote = ::write(pipe_ends[1], filler.data(), filler.size())) > 0;) {
    filled += static_cast<std::size_t>(wrote);
  }
  ::fcntl(pipe_ends[1], F_SETFL, 0);

  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipe_ends[1], 2);
    ::execl(TINTSURVEY_BIN, TINTSURVEY_BIN, "--portal-dat", archive.c_str(), "--out",
            report.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipe_ends[1]);
  while (!writing_to_stderr(pid)) ::usleep(1000);
  fs::resize_file(archive, fs::file_size(archive) / 2);

  std::string err;
  char buffer[4096];
  for (ssize_t got; (got = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0;) {
    err.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(pipe_ends[0]);
  int raw = 0;
  ::waitpid(pid, &raw, 0);
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  err.erase(0, filled);
  EXPECT_TRUE(err.ends_with("Error: read " + archive.string() +
                            "\n\nCaused by:\n    0: IO error: the file changed while it was read\n"
                            "    1: the file changed while it was read\n"))
      << err;
  EXPECT_EQ(test_support::read_file(report), "previous");
}

}  // namespace
