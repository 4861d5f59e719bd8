#include "portal_fixture/archive_file.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace portal_fixture {
namespace {

// Writes `archive` to a new file named after `mkstemp`'s pattern.
std::filesystem::path write_temporary(ByteSpan archive) {
  std::string name = (std::filesystem::temp_directory_path() / "portal-XXXXXX.dat").string();
  const int fd = ::mkstemps(name.data(), 4);
  if (fd < 0) throw std::runtime_error("cannot create " + name + ": " + std::strerror(errno));
  std::size_t done = 0;
  while (done < archive.size()) {
    const ssize_t wrote = ::write(fd, archive.data() + done, archive.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      const std::string reason = std::strerror(errno);
      ::close(fd);
      ::unlink(name.c_str());
      throw std::runtime_error("cannot write " + name + ": " + reason);
    }
    done += static_cast<std::size_t>(wrote);
  }
  ::close(fd);
  return name;
}

}  // namespace

ArchiveFile::ArchiveFile(const ArchiveBuilder& builder) : ArchiveFile(builder.build()) {}

ArchiveFile::ArchiveFile(ByteSpan archive) : path_(write_temporary(archive)) {}

ArchiveFile::~ArchiveFile() {
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

std::expected<brackwater::dat::DatDatabase, brackwater::dat::DatError> ArchiveFile::open() const {
  return brackwater::dat::DatDatabase::open(path_);
}

}  // namespace portal_fixture
