// Deciding how an output is written, and opening it without blocking.
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <optional>
#include <string>

#include "brackwater/cli/output_file.hpp"
#include "output_support.hpp"

namespace brackwater::cli {
namespace {

namespace fs = std::filesystem;

// Symbolic links followed before giving up, as the kernel does.
constexpr int kMaxLinks = 40;

// Closes the descriptor on every early return.
class DescriptorGuard {
 public:
  explicit DescriptorGuard(int fd) : fd_(fd) {}
  ~DescriptorGuard() {
    if (fd_ >= 0) ::close(fd_);
  }
  DescriptorGuard(const DescriptorGuard&) = delete;
  DescriptorGuard& operator=(const DescriptorGuard&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool on_procfs(const fs::path& dir) {
  struct statfs info {};
  return ::statfs(dir.c_str(), &info) == 0 && info.f_type == PROC_SUPER_MAGIC;
}

std::expected<fs::path, int> read_link(const fs::path& link) {
  char target[PATH_MAX];
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
  if (length < 0) return std::unexpected(errno);
  if (static_cast<std::size_t>(length) == sizeof target) return std::unexpected(ENAMETOOLONG);
  return fs::path(std::string(target, static_cast<std::size_t>(length)));
}

// Where writing to a path ends up once its symbolic links are followed. A
// link in /proc stands for an open descriptor, not for the path it shows.
struct Destination {
  fs::path path;
  bool descriptor_link = false;
};

std::expected<Destination, int> follow_links(fs::path path) {
  for (int followed = 0; followed <= kMaxLinks; ++followed) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
      if (errno == ENOENT) return Destination{path};  // a file to create
      return std::unexpected(errno);
    }
    if (!S_ISLNK(info.st_mode)) return Destination{path};
    if (on_procfs(directory_of(path))) return Destination{path, true};
    auto target = read_link(path);
    if (!target) return std::unexpected(target.error());
    path = target->is_absolute() ? *target : path.parent_path() / *target;
  }
  return std::unexpected(ELOOP);
}

// The number N when `link` is /proc/self/fd/N by any name (/dev/stdout,
// /dev/fd/N).
std::optional<int> own_descriptor(const fs::path& link) {
  struct stat dir {};
  struct stat own {};
  if (::stat(directory_of(link).c_str(), &dir) != 0 || ::stat("/proc/self/fd", &own) != 0 ||
      !same_file(dir, own)) {
    return std::nullopt;
  }
  const std::string name = link.filename().string();
  int number = -1;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
  if (error != std::errc() || end != name.data() + name.size()) return std::nullopt;
  return number;
}

std::optional<OutputError> refuse_input(const struct stat& output,
                                        std::span<const InputFile> inputs) {
  for (const InputFile& input : inputs) {
    if (input.identity == std::pair(output.st_dev, output.st_ino)) {
      return OutputError{0, "the output is the " + input.role + " being read"};
    }
  }
  return std::nullopt;
}

// Opens what `path` names for writing, as it is: no creation, no truncation,
// and no wait for a FIFO's reader. Writes then wait as usual.
std::expected<int, OutputError> open_existing(const fs::path& path, int extra_flags) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | extra_flags);
  if (fd < 0) {
    const int error = errno;
    struct stat info {};
    if (error == ENXIO && ::stat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode)) {
      return std::unexpected(OutputError{0, "nothing reads from this FIFO: writing would block"});
    }
    return os_failure(error);
  }
  DescriptorGuard guard(fd);
  if (::fcntl(fd, F_SETFL, 0) != 0) return os_failure(errno);
  return guard.release();
}

// /dev/stdout and the like. This process's own descriptor is written through
// a duplicate, as the caller set it up (its offset, its append mode); another
// process's is reopened and, when it is a file, appended to.
std::expected<int, OutputError> open_descriptor(const fs::path& path, const fs::path& link) {
  if (const std::optional<int> own = own_descriptor(link)) {
    const int fd = ::fcntl(*own, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return os_failure(errno);
    return fd;
  }
  auto fd = open_existing(path, 0);
  if (!fd) return fd;
  DescriptorGuard guard(*fd);
  struct stat info {};
  if (::fstat(*fd, &info) != 0 || (S_ISREG(info.st_mode) && ::fcntl(*fd, F_SETFL, O_APPEND) != 0)) {
    return os_failure(errno);
  }
  return guard.release();
}

// A temporary beside `target`, unnamed where the file system allows, with
// the old file's owner and permission bits when there is one.
std::expected<OutputFile::Parts, OutputError> open_replacement(const fs::path& target,
                                                               const struct stat* old,
                                                               OutputFile::Flush flush) {
  const fs::path name = target.filename();
  if (name.empty() || name == "." || name == "..") return os_failure(EISDIR);
  const fs::path dir = directory_of(target);
  // The kernel applies the file-mode mask to the 0666, as for any new file.
  int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  fs::path named_temp;
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
    auto claimed = claim_temporary_name(target, [&fd](const fs::path& candidate) {
      fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      return fd < 0 ? errno : 0;
    });
    if (!claimed) return os_failure(claimed.error());
    named_temp = std::move(*claimed);
  }
  if (fd < 0) return os_failure(errno);
  OutputFile::Parts parts{fd, OutputFile::Mode::Replace, target, std::move(named_temp), !old, flush};
  if (old) {
    // Only a privileged process may give a file away; otherwise the
    // replacement is the writer's own, as a new file would be.
    (void)::fchown(fd, old->st_uid, old->st_gid);
    if (::fchmod(fd, old->st_mode & 07777) != 0) {
      const int error = errno;
      OutputFile discarded(std::move(parts));  // removes the temporary
      return os_failure(error);
    }
  }
  return parts;
}

std::expected<OutputFile, OutputError> adopt_parts(
    std::expected<OutputFile::Parts, OutputError> parts) {
  if (!parts) return std::unexpected(parts.error());
  return OutputFile(std::move(*parts));
}

// A file mounted on its own (a bind mount of one file) cannot be renamed over.
bool is_mount_root(int fd) {
  struct statx info {};
  return ::statx(fd, "", AT_EMPTY_PATH, 0, &info) == 0 &&
         (info.stx_attributes_mask & info.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

// An existing regular file: replaced, unless only writing into it can work
// (it is mounted on its own, or its directory is closed to new files).
std::expected<OutputFile::Parts, OutputError> open_regular(const fs::path& target,
                                                           DescriptorGuard& existing,
                                                           const struct stat& old,
                                                           OutputFile::Flush flush) {
  if (!is_mount_root(existing.get())) {
    auto replacement = open_replacement(target, &old, flush);
    const int error = replacement ? 0 : replacement.error().os_error;
    if (error != EACCES && error != EPERM) return replacement;
  }
  // O_NONBLOCK means nothing to a regular file: it can stay.
  if (::ftruncate(existing.get(), 0) != 0) return os_failure(errno);
  return OutputFile::Parts{existing.release(), OutputFile::Mode::InPlace, {}, {}, false,
                           OutputFile::Flush::OnCommit};
}

}  // namespace

InputFile InputFile::at(const fs::path& path, std::string role) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return InputFile{std::nullopt, std::move(role)};
  return InputFile{std::pair(info.st_dev, info.st_ino), std::move(role)};
}

std::optional<OutputError> refused_output(const fs::path& path, std::span<const InputFile> inputs) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return refuse_input(info, inputs);
}

std::expected<OutputFile, OutputError> OutputFile::open(const fs::path& path,
                                                        std::span<const InputFile> inputs,
                                                        Flush flush) {
  const auto destination = follow_links(path);
  if (!destination) return os_failure(destination.error());
  const fs::path& target = destination->path;
  const bool descriptor = destination->descriptor_link;
  // O_NOFOLLOW: the target was followed to its end above.
  auto fd = descriptor ? open_descriptor(path, target) : open_existing(target, O_NOFOLLOW);
  if (!fd) {
    if (descriptor || fd.error().os_error != ENOENT) return std::unexpected(fd.error());
    return adopt_parts(open_replacement(target, nullptr, flush));
  }
  DescriptorGuard existing(*fd);
  struct stat info {};
  if (::fstat(existing.get(), &info) != 0) return os_failure(errno);
  if (auto refused = refuse_input(info, inputs)) return std::unexpected(*refused);
  if (!descriptor && S_ISREG(info.st_mode)) {
    return adopt_parts(open_regular(target, existing, info, flush));
  }
  return OutputFile(Parts{existing.release(), Mode::AsOpened, {}, {}, false, Flush::OnCommit});
}

}  // namespace brackwater::cli
