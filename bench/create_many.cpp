// The ways of putting many small new files in place on this file system,
// plain POSIX: what a directory of exported images costs per file.
//
//   create_many DIR [FILES] [BYTES]
//
// Each way writes FILES files of BYTES bytes into a fresh directory under DIR
// and prints its wall and CPU time; the ways that defer durability then pay
// it once (syncfs, then the directory's fsync), and that is counted too.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void check(bool ok, const char* what) {
  if (!ok) {
    std::perror(what);
    std::exit(1);
  }
}

void write_all(int fd, const std::vector<char>& bytes) {
  check(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write");
}

int unnamed_in(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  check(fd >= 0, "open O_TMPFILE");
  return fd;
}

void link_unnamed(int fd, const fs::path& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  check(::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0,
        "linkat");
}

// One file: `final` is where it ends, `temp` a free name beside it.
using Way = void (*)(const fs::path& dir, const fs::path& final, const fs::path& temp,
                     const std::vector<char>& bytes);

// What a single output does: unnamed, flushed, named, renamed.
void unnamed_fsync_rename(const fs::path& dir, const fs::path& final, const fs::path& temp,
                          const std::vector<char>& bytes) {
  const int fd = unnamed_in(dir);
  write_all(fd, bytes);
  check(::fsync(fd) == 0, "fsync");
  link_unnamed(fd, temp);
  check(::rename(temp.c_str(), final.c_str()) == 0, "rename");
  ::close(fd);
}

void unnamed_rename(const fs::path& dir, const fs::path& final, const fs::path& temp,
                    const std::vector<char>& bytes) {
  const int fd = unnamed_in(dir);
  write_all(fd, bytes);
  link_unnamed(fd, temp);
  check(::rename(temp.c_str(), final.c_str()) == 0, "rename");
  ::close(fd);
}

// A new name only: linkat never replaces a file.
void unnamed_link(const fs::path& dir, const fs::path& final, const fs::path&,
                  const std::vector<char>& bytes) {
  const int fd = unnamed_in(dir);
  write_all(fd, bytes);
  link_unnamed(fd, final);
  ::close(fd);
}

void named_rename(const fs::path&, const fs::path& final, const fs::path& temp,
                  const std::vector<char>& bytes) {
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  check(fd >= 0, "open temp");
  write_all(fd, bytes);
  check(::rename(temp.c_str(), final.c_str()) == 0, "rename");
  ::close(fd);
}

// The floor: written under the final name (a kill would leave half a file).
void direct(const fs::path&, const fs::path& final, const fs::path&,
            const std::vector<char>& bytes) {
  const int fd = ::open(final.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  check(fd >= 0, "open final");
  write_all(fd, bytes);
  ::close(fd);
}

double cpu_seconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIR [FILES] [BYTES]\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  const int files = argc > 2 ? std::atoi(argv[2]) : 5000;
  const std::size_t size = argc > 3 ? static_cast<std::size_t>(std::atol(argv[3])) : 9000;
  const std::vector<char> bytes(size, 'x');
  struct Named {
    const char* name;
    Way way;
    bool per_file_flush;
  };
  const Named ways[] = {
      {"unnamed+fsync+link+rename", unnamed_fsync_rename, true},
      {"unnamed+link+rename", unnamed_rename, false},
      {"unnamed+link", unnamed_link, false},
      {"named+rename", named_rename, false},
      {"direct (unsafe floor)", direct, false},
  };
  ::sync();
  for (const Named& way : ways) {
    const fs::path dir = root / ("create_many." + std::to_string(::getpid()));
    fs::create_directories(dir);
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = cpu_seconds();
    for (int i = 0; i < files; ++i) {
      const std::string n = std::to_string(i);
      way.way(dir, dir / (n + ".png"), dir / ("." + n + ".png.tmp"), bytes);
    }
    if (!way.per_file_flush) {
      const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      check(dir_fd >= 0 && ::syncfs(dir_fd) == 0 && ::fsync(dir_fd) == 0, "syncfs");
      ::close(dir_fd);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-28s %8.3f s wall %8.3f s cpu  (%d files of %zu bytes)\n", way.name, wall,
                cpu_seconds() - cpu_start, files, size);
    fs::remove_all(dir);
    ::sync();
  }
  return 0;
}
