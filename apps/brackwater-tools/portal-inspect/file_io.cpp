#include "file_io.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "brackwater/dat/display.hpp"
#include "brackwater/dat/io_error.hpp"
#include "brackwater/tools/directories.hpp"

namespace brackwater::inspect {
namespace {

std::string failure(std::string_view verb, const std::filesystem::path& path, int error) {
  return std::string(verb) + " " + dat::display_path(path) + ": " +
         dat::IoError::from_errno(error).message();
}

// Appends everything `fd` still holds, retrying interrupted reads; the errno
// of a failure otherwise.
std::expected<void, int> read_rest(int fd, std::string& out) {
  char buffer[1 << 16];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) return {};
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(errno);
    }
    out.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace

std::expected<std::string, std::string> read_input(const std::filesystem::path& path) {
  // O_NONBLOCK: a FIFO with no writer would hold the open forever; cleared
  // at once, so a FIFO without one reads as empty.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::unexpected(failure("read", path, errno));
  if (::fcntl(fd, F_SETFL, 0) != 0) {
    const int error = errno;
    ::close(fd);
    return std::unexpected(failure("read", path, error));
  }
  std::string text;
  const auto read = read_rest(fd, text);
  ::close(fd);
  if (!read) return std::unexpected(failure("read", path, read.error()));
  return text;
}

std::expected<void, std::string> write_output(const std::filesystem::path& path,
                                              dat::ByteSpan bytes,
                                              std::span<const tools::InputFile> inputs) {
  if (auto written = tools::write_output_file(path, bytes, inputs); !written) {
    return std::unexpected("write " + dat::display_path(path) + ": " + written.error().message());
  }
  return {};
}

std::expected<void, std::string> make_output_dir(const std::filesystem::path& dir) {
  if (auto made = tools::make_directories(dir); !made) {
    return std::unexpected(failure("create dir", dir, made.error()));
  }
  return {};
}

}  // namespace brackwater::inspect
