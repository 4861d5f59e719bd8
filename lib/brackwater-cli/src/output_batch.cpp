#include "brackwater/cli/output_batch.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "output_support.hpp"

namespace brackwater::cli {

namespace fs = std::filesystem;

OutputBatch::~OutputBatch() {
  for (const Directory& dir : directories_) ::close(dir.fd);
}

std::expected<void, OutputError> OutputBatch::note(const fs::path& dir) {
  const std::lock_guard lock(mutex_);
  const auto known = std::ranges::find(directories_, dir, &Directory::path);
  if (known != directories_.end()) return {};
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return os_failure(errno);
  directories_.push_back(Directory{dir, fd});
  return {};
}

std::expected<void, OutputError> OutputBatch::write(const fs::path& path,
                                                    std::span<const std::uint8_t> bytes,
                                                    std::span<const InputFile> inputs) {
  auto out = OutputFile::open(path, inputs, OutputFile::Flush::ByCaller);
  if (!out) return std::unexpected(out.error());
  if (const fs::path target = out->unflushed_target(); !target.empty()) {
    if (auto noted = note(directory_of(target)); !noted) return noted;
  }
  if (auto written = out->write(bytes); !written) return written;
  return out->commit();
}

std::expected<void, OutputError> OutputBatch::finish() {
  const std::lock_guard lock(mutex_);
  // One flush of each file system carries all of its files; a second one
  // finds little left to write.
  for (const Directory& dir : directories_) {
    if (::syncfs(dir.fd) != 0 || ::fsync(dir.fd) != 0) return os_failure(errno);
  }
  return {};
}

}  // namespace brackwater::cli
