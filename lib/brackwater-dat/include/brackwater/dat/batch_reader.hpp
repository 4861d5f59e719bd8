#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/io_error.hpp"
#include "brackwater/dat/posix_file.hpp"

namespace brackwater::dat {

// One positional read: `size` bytes at `offset`.
struct ReadRequest {
  std::uint64_t offset = 0;
  std::size_t size = 0;
};

// Exactly the requested bytes, or why not: an end of file inside the range is
// "failed to fill whole buffer", as for PosixFile::pread_exact.
using ReadOutcome = std::expected<Bytes, IoError>;

class SubmissionRing;

// Reads many requests of one file with many in flight, so that a device
// shares its round trip among them instead of paying it for each. On a cold
// page cache that is the difference between the disk's latency per block and
// its throughput; on a warm one it costs what one pread per request does.
class BatchReader {
 public:
  enum class Mechanism {
    // A submission ring (io_uring): up to kDepth reads in flight at once.
    Ring,
    // Every request announced with posix_fadvise(WILLNEED), which starts the
    // device reads without waiting, then read with pread: works everywhere.
    Advise,
  };

  static constexpr unsigned kDepth = 512;

  // Reads `file`, which must outlive the reader. `wanted` Ring falls back to
  // Advise where the build or the kernel has no ring.
  explicit BatchReader(const PosixFile& file, Mechanism wanted = Mechanism::Ring);
  BatchReader(BatchReader&&) noexcept;
  BatchReader& operator=(BatchReader&&) noexcept;
  ~BatchReader();

  Mechanism mechanism() const { return ring_ ? Mechanism::Ring : Mechanism::Advise; }

  // One outcome per request, in request order.
  std::vector<ReadOutcome> read(std::span<const ReadRequest> requests) const;

 private:
  std::vector<ReadOutcome> read_advised(std::span<const ReadRequest> requests) const;

  const PosixFile* file_;
  std::unique_ptr<SubmissionRing> ring_;
};

}  // namespace brackwater::dat
