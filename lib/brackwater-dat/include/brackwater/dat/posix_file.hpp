#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <utility>

#include "brackwater/dat/block_source.hpp"
#include "brackwater/dat/io_error.hpp"

namespace brackwater::dat {

// Sole owner of one read-only file descriptor; closes it on destruction.
// Interrupted system calls are retried and short reads continued.
class PosixFile final : public BlockSource {
 public:
  static std::expected<PosixFile, IoError> open_read_only(const std::filesystem::path& path);

  PosixFile(PosixFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  PosixFile& operator=(PosixFile&& other) noexcept;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;
  ~PosixFile() override;

  std::expected<std::uint64_t, IoError> seek(std::uint64_t offset) const;
  std::expected<std::uint64_t, IoError> tell() const;
  std::expected<std::uint64_t, IoError> size() const;
  // What fstat tells of the file that a reader relies on staying the same.
  struct Stamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t mtime_seconds = 0;
    std::int64_t mtime_nanoseconds = 0;
    friend bool operator==(const Stamp&, const Stamp&) = default;
  };
  std::expected<Stamp, IoError> stamp() const;
  // Reads up to `count` bytes at the current position; fewer only at the end
  // of the file. Returns how many were read.
  std::expected<std::size_t, IoError> read_some_fully(std::uint8_t* out, std::size_t count) const;
  std::expected<void, IoError> pread_exact(std::uint8_t* out, std::size_t count,
                                           std::uint64_t offset) const override;
  // Whether the byte at `offset` is in memory (the page cache), so that
  // reading it would not wait for the device. Asks without waiting; a system
  // that cannot tell says no.
  bool in_memory(std::uint64_t offset) const;
  // For calls this type does not wrap (read-ahead hints, submission rings);
  // the file stays owned here.
  int descriptor() const { return fd_; }

 private:
  explicit PosixFile(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace brackwater::dat
