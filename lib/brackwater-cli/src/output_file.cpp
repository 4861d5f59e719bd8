// Writing an opened output and putting it in place.
#include "brackwater/cli/output_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "brackwater/dat/io_error.hpp"
#include "output_support.hpp"

namespace brackwater::cli {
namespace {

namespace fs = std::filesystem;

// Runs `write_some(done)` until all `size` bytes are written, continuing
// short writes and retrying interrupted ones.
template <class WriteSome>
std::expected<void, OutputError> write_fully(std::size_t size, WriteSome write_some) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = write_some(done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return os_failure(errno);
    }
    // Nothing written for a non-empty request would loop forever.
    if (written == 0) return os_failure(EIO);
    done += static_cast<std::size_t>(written);
  }
  return {};
}

}  // namespace

std::string OutputError::message() const {
  return refusal.empty() ? dat::IoError::from_errno(os_error).message() : refusal;
}

OutputFile OutputFile::adopt(int fd) {
  return OutputFile(Parts{fd, Mode::AsOpened, {}, {}, false, Flush::OnCommit});
}

OutputFile::OutputFile(OutputFile&& other) noexcept : parts_(std::move(other.parts_)) {
  other.parts_.fd = -1;
  other.parts_.named_temp.clear();
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    discard();
    parts_ = std::move(other.parts_);
    other.parts_.fd = -1;
    other.parts_.named_temp.clear();
  }
  return *this;
}

OutputFile::~OutputFile() {
  discard();
}

void OutputFile::discard() noexcept {
  if (parts_.fd >= 0) ::close(std::exchange(parts_.fd, -1));
  if (!parts_.named_temp.empty()) ::unlink(parts_.named_temp.c_str());
  parts_.named_temp.clear();
}

std::expected<void, OutputError> OutputFile::write(std::span<const std::uint8_t> bytes) {
  return write_fully(bytes.size(), [&](std::size_t done) {
    return ::write(parts_.fd, bytes.data() + done, bytes.size() - done);
  });
}

std::expected<void, OutputError> OutputFile::write(std::string_view text) {
  return write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::expected<void, OutputError> OutputFile::write_at(std::uint64_t offset,
                                                      std::span<const std::uint8_t> bytes) {
  return write_fully(bytes.size(), [&](std::size_t done) {
    return ::pwrite(parts_.fd, bytes.data() + done, bytes.size() - done,
                    static_cast<off_t>(offset + done));
  });
}

std::expected<void, OutputError> OutputFile::commit() {
  // A pipe or terminal has no storage to flush.
  const bool flush = parts_.mode == Mode::InPlace ||
                     (parts_.mode == Mode::Replace && parts_.flush == Flush::OnCommit);
  if (flush && ::fsync(parts_.fd) != 0) return os_failure(errno);
  if (parts_.mode == Mode::Replace) {
    if (auto placed = put_in_place(); !placed) return placed;
  }
  // A failed close can be the first report of lost data; after EINTR the
  // descriptor is gone on Linux and there is nothing to retry.
  if (::close(std::exchange(parts_.fd, -1)) != 0 && errno != EINTR) return os_failure(errno);
  return {};
}

std::expected<void, OutputError> OutputFile::put_in_place() {
  if (parts_.named_temp.empty()) {
    // linkat() and rename() take names only: the unnamed temporary is named
    // through its descriptor.
    const std::string self = "/proc/self/fd/" + std::to_string(parts_.fd);
    const auto link_as = [&self](const fs::path& name) {
      return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0
                 ? 0
                 : errno;
    };
    // A link never replaces a file, so a new file takes its name at once; one
    // that appeared there since the open is renamed over like any other.
    if (parts_.fresh) {
      const int error = link_as(parts_.target);
      if (error == 0) return {};
      if (error != EEXIST) return os_failure(error);
    }
    auto named = claim_temporary_name(parts_.target, link_as);
    if (!named) return os_failure(named.error());
    parts_.named_temp = std::move(*named);
  }
  if (::rename(parts_.named_temp.c_str(), parts_.target.c_str()) != 0) return os_failure(errno);
  parts_.named_temp.clear();
  return {};
}

fs::path OutputFile::unflushed_target() const {
  return parts_.mode == Mode::Replace && parts_.flush == Flush::ByCaller ? parts_.target
                                                                          : fs::path();
}

std::expected<void, OutputError> write_output_file(const fs::path& path,
                                                   std::span<const std::uint8_t> bytes,
                                                   std::span<const InputFile> inputs) {
  auto out = OutputFile::open(path, inputs);
  if (!out) return std::unexpected(out.error());
  if (auto written = out->write(bytes); !written) return written;
  return out->commit();
}

}  // namespace brackwater::cli
