// Reads a list of positional reads from an archive in one of several ways,
// to compare how each copes with a cold page cache (the caller drops it).
//
//   read_batch MODE ARCHIVE READS
//
// READS lists reads as "size offset" lines. MODE is one of:
//   serial   one pread after another, in the listed order
//   advise   BatchReader's portable path: posix_fadvise(WILLNEED), then preads
//   ring     BatchReader's submission ring, 128 reads in flight
//   threads  16 threads taking preads off the list
//   direct   the I/O floor: each distinct 4 KiB page the reads touch, read
//            once with O_DIRECT (past the page cache), 128 in flight
// Prints "wall_ns N" and "reads N" (requests made).

#include <fcntl.h>
#include <liburing.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "brackwater/dat/batch_reader.hpp"

namespace {

using brackwater::dat::BatchReader;
using brackwater::dat::PosixFile;
using brackwater::dat::ReadRequest;

constexpr std::size_t kPage = 4096;
constexpr unsigned kDepth = 128;
constexpr unsigned kThreads = 16;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "read_batch: %s\n", what.c_str());
  std::exit(1);
}

std::size_t serial(const PosixFile& file, const std::vector<ReadRequest>& reads) {
  std::vector<std::uint8_t> buffer;
  for (const ReadRequest& read : reads) {
    buffer.resize(read.size);
    if (!file.pread_exact(buffer.data(), read.size, read.offset)) fail("pread failed");
  }
  return reads.size();
}

std::size_t batched(const PosixFile& file, const std::vector<ReadRequest>& reads,
                    BatchReader::Mechanism mechanism) {
  const BatchReader reader(file, mechanism);
  if (reader.mechanism() != mechanism) fail("no submission ring on this machine");
  for (const auto& outcome : reader.read(reads)) {
    if (!outcome) fail("batched read failed: " + outcome.error().message());
  }
  return reads.size();
}

std::size_t threads(const PosixFile& file, const std::vector<ReadRequest>& reads) {
  std::atomic<std::size_t> next{0};
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < kThreads; ++t) {
    pool.emplace_back([&] {
      std::vector<std::uint8_t> buffer;
      for (std::size_t i; (i = next.fetch_add(1)) < reads.size();) {
        buffer.resize(reads[i].size);
        if (!file.pread_exact(buffer.data(), reads[i].size, reads[i].offset)) fail("pread failed");
      }
    });
  }
  for (std::thread& thread : pool) thread.join();
  return reads.size();
}

std::size_t direct(const char* path, const std::vector<ReadRequest>& reads) {
  std::set<std::uint64_t> pages;
  for (const ReadRequest& read : reads) {
    for (std::uint64_t page = read.offset / kPage; page * kPage < read.offset + read.size; ++page) {
      pages.insert(page);
    }
  }
  const int fd = ::open(path, O_RDONLY | O_DIRECT | O_CLOEXEC);
  if (fd < 0) fail(std::string("O_DIRECT open: ") + std::strerror(errno));
  void* slots = nullptr;
  if (::posix_memalign(&slots, kPage, kPage * kDepth) != 0) fail("no memory");
  io_uring ring{};
  if (io_uring_queue_init(kDepth, &ring, 0) != 0) fail("no submission ring on this machine");
  std::vector<unsigned> free_slots;
  for (unsigned s = 0; s < kDepth; ++s) free_slots.push_back(s);
  auto page = pages.begin();
  unsigned in_flight = 0;
  while (page != pages.end() || in_flight > 0) {
    while (page != pages.end() && !free_slots.empty()) {
      const unsigned slot = free_slots.back();
      free_slots.pop_back();
      io_uring_sqe* entry = io_uring_get_sqe(&ring);
      io_uring_prep_read(entry, fd, static_cast<char*>(slots) + slot * kPage, kPage,
                         *page++ * kPage);
      io_uring_sqe_set_data64(entry, slot);
      ++in_flight;
    }
    if (io_uring_submit_and_wait(&ring, 1) < 0) fail("submission failed");
    unsigned head;
    unsigned seen = 0;
    io_uring_cqe* completion;
    io_uring_for_each_cqe(&ring, head, completion) {
      if (completion->res < 0) fail(std::string("direct read: ") + std::strerror(-completion->res));
      free_slots.push_back(static_cast<unsigned>(io_uring_cqe_get_data64(completion)));
      ++seen;
    }
    io_uring_cq_advance(&ring, seen);
    in_flight -= seen;
  }
  io_uring_queue_exit(&ring);
  std::free(slots);
  ::close(fd);
  return pages.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s serial|advise|ring|threads|direct ARCHIVE READS\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  std::ifstream listed(argv[3]);
  std::vector<ReadRequest> reads;
  for (ReadRequest read; listed >> read.size >> read.offset;) reads.push_back(read);
  auto file = PosixFile::open_read_only(argv[2]);
  if (!file) fail(std::string(argv[2]) + ": " + file.error().message());

  const auto begin = std::chrono::steady_clock::now();
  std::size_t made = 0;
  if (mode == "serial") {
    made = serial(*file, reads);
  } else if (mode == "advise") {
    made = batched(*file, reads, BatchReader::Mechanism::Advise);
  } else if (mode == "ring") {
    made = batched(*file, reads, BatchReader::Mechanism::Ring);
  } else if (mode == "threads") {
    made = threads(*file, reads);
  } else if (mode == "direct") {
    made = direct(argv[2], reads);
  } else {
    fail("unknown mode '" + mode + "'");
  }
  const std::chrono::duration<double, std::nano> wall = std::chrono::steady_clock::now() - begin;
  std::printf("wall_ns %.0f\nreads %zu\n", wall.count(), made);
  return 0;
}
