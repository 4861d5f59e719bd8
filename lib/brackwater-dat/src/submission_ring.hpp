#pragma once

#include <memory>
#include <span>
#include <vector>

#include "brackwater/dat/batch_reader.hpp"

namespace brackwater::dat {

// The kernel's submission ring for one file, where the build and the kernel
// have one. Internal to BatchReader.
class SubmissionRing {
 public:
  // Null when no ring can be set up: built without one, or a kernel or
  // sandbox that refuses it.
  static std::unique_ptr<SubmissionRing> create(unsigned depth);
  virtual ~SubmissionRing() = default;

  // Reads every request with up to the ring's depth in flight.
  virtual std::vector<ReadOutcome> read(const PosixFile& file,
                                        std::span<const ReadRequest> requests) = 0;
};

}  // namespace brackwater::dat
