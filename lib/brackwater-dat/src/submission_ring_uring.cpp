#include <liburing.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "submission_ring.hpp"

namespace brackwater::dat {
namespace {

// Submission and completion failures that only ask to be tried again.
bool transient(int negative_errno) {
  return negative_errno == -EINTR || negative_errno == -EAGAIN || negative_errno == -EBUSY;
}

class UringRing final : public SubmissionRing {
 public:
  UringRing(const UringRing&) = delete;
  UringRing& operator=(const UringRing&) = delete;
  ~UringRing() override { io_uring_queue_exit(&ring_); }

  // Null where the kernel or a sandbox refuses rings.
  static std::unique_ptr<UringRing> create(unsigned depth) {
    // The set-up ring is a handful of pointers into memory the kernel maps;
    // it may be copied into its owner.
    io_uring ring{};
    if (io_uring_queue_init(depth, &ring, 0) != 0) return nullptr;
    return std::unique_ptr<UringRing>(new UringRing(ring, depth));
  }

  std::vector<ReadOutcome> read(const PosixFile& file,
                                std::span<const ReadRequest> requests) override {
    Batch batch(file, requests);
    if (!broken_) run(batch, file.descriptor());
    // A ring that failed leaves its requests to plain reads, now and later.
    return batch.finish_rest_in_order();
  }

 private:
  // The buffers and outcomes of one call.
  class Batch {
   public:
    Batch(const PosixFile& file, std::span<const ReadRequest> requests)
        : file_(file), requests_(requests), buffers_(requests.size()), errors_(requests.size()),
          done_(requests.size(), false) {
      for (std::size_t i = 0; i < requests.size(); ++i) buffers_[i].resize(requests[i].size);
    }

    std::span<const ReadRequest> requests() const { return requests_; }
    std::uint8_t* buffer(std::size_t i) { return buffers_[i].data(); }

    // Request `i` came back with `result`: its byte count or a negative errno.
    void complete(std::size_t i, int result) {
      const ReadRequest& request = requests_[i];
      done_[i] = true;
      if (transient(result)) result = 0;
      if (result < 0) {
        errors_[i] = IoError::from_errno(-result);
        return;
      }
      // A short count continues with plain reads, which also tell the end of
      // the file from a read that merely stopped early.
      const auto got = static_cast<std::size_t>(result);
      if (got < request.size) {
        auto rest = file_.pread_exact(buffers_[i].data() + got, request.size - got,
                                      request.offset + got);
        if (!rest) errors_[i] = rest.error();
      }
    }

    std::vector<ReadOutcome> finish_rest_in_order() {
      std::vector<ReadOutcome> outcomes;
      outcomes.reserve(requests_.size());
      for (std::size_t i = 0; i < requests_.size(); ++i) {
        if (!done_[i]) complete(i, 0);
        if (errors_[i]) {
          outcomes.emplace_back(std::unexpected(*errors_[i]));
        } else {
          outcomes.emplace_back(std::move(buffers_[i]));
        }
      }
      return outcomes;
    }

   private:
    const PosixFile& file_;
    std::span<const ReadRequest> requests_;
    std::vector<Bytes> buffers_;
    std::vector<std::optional<IoError>> errors_;
    std::vector<bool> done_;
  };

  UringRing(const io_uring& ring, unsigned depth) : ring_(ring), depth_(depth) {}

  // Keeps up to the ring's depth of reads in flight until every request has
  // come back.
  void run(Batch& batch, int fd) {
    const auto requests = batch.requests();
    std::size_t next = 0;
    unsigned in_flight = 0;
    while (true) {
      while (next < requests.size() && in_flight < depth_) {
        const ReadRequest& request = requests[next];
        if (request.size == 0) {
          batch.complete(next++, 0);
          continue;
        }
        io_uring_sqe* entry = io_uring_get_sqe(&ring_);
        if (!entry) break;
        // Larger reads come back short and are finished by plain reads.
        io_uring_prep_read(entry, fd, batch.buffer(next),
                           static_cast<unsigned>(std::min<std::size_t>(request.size, kLargestRead)),
                           request.offset);
        io_uring_sqe_set_data64(entry, next++);
        ++in_flight;
      }
      if (in_flight == 0) return;
      const int submitted = io_uring_submit_and_wait(&ring_, 1);
      if (submitted < 0 && !transient(submitted)) {
        // Entries the kernel has not taken stay behind in a ring that is
        // never entered again; those it took must come back before their
        // buffers may go.
        broken_ = true;
        in_flight -= io_uring_sq_ready(&ring_);
        drain(batch, in_flight);
        return;
      }
      in_flight -= reap(batch);
    }
  }

  // Completes every request that has come back; returns how many did.
  unsigned reap(Batch& batch) {
    unsigned head;
    unsigned seen = 0;
    io_uring_cqe* completion;
    io_uring_for_each_cqe(&ring_, head, completion) {
      batch.complete(static_cast<std::size_t>(io_uring_cqe_get_data64(completion)),
                     completion->res);
      ++seen;
    }
    io_uring_cq_advance(&ring_, seen);
    return seen;
  }

  void drain(Batch& batch, unsigned in_flight) {
    while (in_flight > 0) {
      io_uring_cqe* completion;
      const int waited = io_uring_wait_cqe(&ring_, &completion);
      if (waited < 0 && !transient(waited)) return;
      in_flight -= reap(batch);
    }
  }

  static constexpr std::size_t kLargestRead = std::size_t{1} << 30;

  io_uring ring_;
  unsigned depth_;
  bool broken_ = false;
};

}  // namespace

std::unique_ptr<SubmissionRing> SubmissionRing::create(unsigned depth) {
  return UringRing::create(depth);
}

}  // namespace brackwater::dat
