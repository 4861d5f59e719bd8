#include "brackwater/dat/posix_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <cerrno>

namespace brackwater::dat {

std::expected<PosixFile, IoError> PosixFile::open_read_only(const std::filesystem::path& path) {
  int fd;
  // O_NONBLOCK: a FIFO with no writer would hold the open forever. Cleared
  // again at once, so reads behave as always (and a FIFO fails its first seek).
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::unexpected(IoError::from_errno(errno));
  PosixFile file(fd);
  if (::fcntl(fd, F_SETFL, 0) != 0) return std::unexpected(IoError::from_errno(errno));
  return file;
}

PosixFile& PosixFile::operator=(PosixFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

PosixFile::~PosixFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::expected<std::uint64_t, IoError> PosixFile::seek(std::uint64_t offset) const {
  const off_t at = ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
  if (at < 0) return std::unexpected(IoError::from_errno(errno));
  return static_cast<std::uint64_t>(at);
}

std::expected<std::uint64_t, IoError> PosixFile::tell() const {
  const off_t at = ::lseek(fd_, 0, SEEK_CUR);
  if (at < 0) return std::unexpected(IoError::from_errno(errno));
  return static_cast<std::uint64_t>(at);
}

std::expected<std::uint64_t, IoError> PosixFile::size() const {
  struct stat info;
  if (::fstat(fd_, &info) != 0) return std::unexpected(IoError::from_errno(errno));
  return static_cast<std::uint64_t>(info.st_size);
}

std::expected<PosixFile::Stamp, IoError> PosixFile::stamp() const {
  struct stat info;
  if (::fstat(fd_, &info) != 0) return std::unexpected(IoError::from_errno(errno));
  return Stamp{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
               static_cast<std::uint64_t>(info.st_size), static_cast<std::int64_t>(info.st_mtim.tv_sec),
               static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
}

std::expected<std::size_t, IoError> PosixFile::read_some_fully(std::uint8_t* out,
                                                               std::size_t count) const {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::read(fd_, out + done, count - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(IoError::from_errno(errno));
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

std::expected<void, IoError> PosixFile::pread_exact(std::uint8_t* out, std::size_t count,
                                                    std::uint64_t offset) const {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(IoError::from_errno(errno));
    }
    if (got == 0) return std::unexpected(IoError::fill_whole_buffer());
    done += static_cast<std::size_t>(got);
  }
  return {};
}

bool PosixFile::in_memory(std::uint64_t offset) const {
  std::uint8_t byte = 0;
  iovec one{&byte, 1};
  ssize_t got = 0;
  do {
    got = ::preadv2(fd_, &one, 1, static_cast<off_t>(offset), RWF_NOWAIT);
  } while (got < 0 && errno == EINTR);
  return got == 1;
}

}  // namespace brackwater::dat
