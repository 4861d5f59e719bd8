#include "brackwater/dat/batch_reader.hpp"

#include <fcntl.h>

#include <algorithm>

#include "submission_ring.hpp"

namespace brackwater::dat {
namespace {

// Read-ahead hints go to the kernel a page range at a time; requests that
// share or touch pages are announced together.
constexpr std::uint64_t kPage = 4096;

struct Range {
  std::uint64_t begin;
  std::uint64_t end;
};

// The page ranges `requests` cover, merged, in file order.
std::vector<Range> page_ranges(std::span<const ReadRequest> requests) {
  std::vector<Range> ranges;
  for (const ReadRequest& request : requests) {
    if (request.size == 0) continue;
    ranges.push_back({request.offset / kPage * kPage,
                      (request.offset + request.size + kPage - 1) / kPage * kPage});
  }
  std::sort(ranges.begin(), ranges.end(),
            [](const Range& a, const Range& b) { return a.begin < b.begin; });
  std::vector<Range> merged;
  for (const Range& range : ranges) {
    if (!merged.empty() && range.begin <= merged.back().end) {
      merged.back().end = std::max(merged.back().end, range.end);
    } else {
      merged.push_back(range);
    }
  }
  return merged;
}

}  // namespace

BatchReader::BatchReader(const PosixFile& file, Mechanism wanted)
    : file_(&file), ring_(wanted == Mechanism::Ring ? SubmissionRing::create(kDepth) : nullptr) {}

BatchReader::BatchReader(BatchReader&&) noexcept = default;
BatchReader& BatchReader::operator=(BatchReader&&) noexcept = default;
BatchReader::~BatchReader() = default;

std::vector<ReadOutcome> BatchReader::read(std::span<const ReadRequest> requests) const {
  if (ring_) return ring_->read(*file_, requests);
  return read_advised(requests);
}

std::vector<ReadOutcome> BatchReader::read_advised(std::span<const ReadRequest> requests) const {
  // A hint only starts reads; one the kernel refuses costs time, not bytes.
  for (const Range& range : page_ranges(requests)) {
    ::posix_fadvise(file_->descriptor(), static_cast<off_t>(range.begin),
                    static_cast<off_t>(range.end - range.begin), POSIX_FADV_WILLNEED);
  }
  std::vector<ReadOutcome> outcomes;
  outcomes.reserve(requests.size());
  for (const ReadRequest& request : requests) {
    Bytes bytes(request.size);
    auto read = file_->pread_exact(bytes.data(), bytes.size(), request.offset);
    if (read) {
      outcomes.emplace_back(std::move(bytes));
    } else {
      outcomes.emplace_back(std::unexpected(read.error()));
    }
  }
  return outcomes;
}

}  // namespace brackwater::dat
