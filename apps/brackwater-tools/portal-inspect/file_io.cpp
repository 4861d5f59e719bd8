#include "file_io.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "brackwater/dat/display.hpp"
#include "brackwater/dat/io_error.hpp"
#include "brackwater/tools/report.hpp"

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
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::unexpected(failure("read", path, errno));
  std::string text;
  const auto read = read_rest(fd, text);
  ::close(fd);
  if (!read) return std::unexpected(failure("read", path, read.error()));
  return text;
}

std::expected<void, std::string> write_output(const std::filesystem::path& path,
                                              dat::ByteSpan bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (auto written = tools::write_whole_file(path, text); !written) {
    return std::unexpected(failure("write", path, written.error()));
  }
  return {};
}

}  // namespace brackwater::inspect
