// Measures what positional reads cost on this machine, on an archive that is
// already in the page cache: random 4-byte and 1 KiB reads at block starts,
// the two kinds of read a survey makes, and optionally a survey's own reads
// replayed back to back.
//
//   pread_cost ARCHIVE [REPLAY]
//
// REPLAY lists reads as "size offset" lines. Prints medians over rounds, in
// wall time and in CPU time, which a loaded machine disturbs less:
// "pread_4_ns", "pread_1024_ns", "pread_4_cpu_ns", "pread_1024_cpu_ns" per
// call, and with REPLAY "replay_ns" and "replay_cpu_ns" for all its reads.

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <vector>

namespace {

constexpr off_t kBlockSizeOffset = 0x144;
constexpr std::size_t kRounds = 7;
constexpr std::size_t kRandomReads = 100'000;
constexpr std::size_t kLargeRead = 1024;

struct Read {
  std::size_t size;
  off_t offset;
};

// `count` reads of `size` bytes at block starts spread uniformly over the
// archive, past the header.
std::vector<Read> random_reads(off_t file_size, std::uint32_t block_size, std::size_t size,
                               std::size_t count) {
  const auto last_block = static_cast<std::uint64_t>(file_size - kLargeRead) / block_size;
  std::mt19937_64 rng(42);
  std::uniform_int_distribution<std::uint64_t> pick(1, last_block);
  std::vector<Read> reads(count);
  for (Read& read : reads) read = {size, static_cast<off_t>(pick(rng) * block_size)};
  return reads;
}

double cpu_ns() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

struct Cost {
  double wall_ns;
  double cpu_ns;
};

// The time all of `reads` take, one after another.
Cost time_reads(int fd, const std::vector<Read>& reads, std::vector<unsigned char>& buffer) {
  const double cpu_begin = cpu_ns();
  const auto begin = std::chrono::steady_clock::now();
  for (const Read& read : reads) {
    if (::pread(fd, buffer.data(), read.size, read.offset) != static_cast<ssize_t>(read.size)) {
      std::perror("pread");
      std::exit(1);
    }
  }
  const std::chrono::duration<double, std::nano> wall = std::chrono::steady_clock::now() - begin;
  return {wall.count(), cpu_ns() - cpu_begin};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Times each set of reads in every round, the sets taking turns so that all
// see the same machine load, and prints the medians divided by `per`.
void report(int fd, const std::vector<const char*>& names,
            const std::vector<std::vector<Read>>& sets, const std::vector<double>& per) {
  std::size_t largest = kLargeRead;
  for (const auto& set : sets) {
    for (const Read& read : set) largest = std::max(largest, read.size);
  }
  std::vector<unsigned char> buffer(largest);
  std::vector<std::vector<double>> wall(sets.size()), cpu(sets.size());
  for (std::size_t round = 0; round < kRounds; ++round) {
    for (std::size_t k = 0; k < sets.size(); ++k) {
      const Cost cost = time_reads(fd, sets[k], buffer);
      wall[k].push_back(cost.wall_ns / per[k]);
      cpu[k].push_back(cost.cpu_ns / per[k]);
    }
  }
  for (std::size_t k = 0; k < sets.size(); ++k) {
    std::printf("%s_ns %.0f\n%s_cpu_ns %.0f\n", names[k], median(wall[k]), names[k],
                median(cpu[k]));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s ARCHIVE [REPLAY]\n", argv[0]);
    return 2;
  }
  const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
  struct stat info {};
  unsigned char raw[4] = {};
  const bool readable = fd >= 0 && ::fstat(fd, &info) == 0 &&
                        ::pread(fd, raw, sizeof raw, kBlockSizeOffset) == sizeof raw;
  // The header's block size, little-endian.
  const std::uint32_t block_size = std::uint32_t{raw[0]} | std::uint32_t{raw[1]} << 8 |
                                   std::uint32_t{raw[2]} << 16 | std::uint32_t{raw[3]} << 24;
  if (!readable || block_size < 8 ||
      info.st_size < static_cast<off_t>(kBlockSizeOffset + 2 * kLargeRead)) {
    std::fprintf(stderr, "%s: not a readable archive\n", argv[1]);
    return 1;
  }

  std::vector<const char*> names{"pread_4", "pread_1024"};
  std::vector<std::vector<Read>> sets{random_reads(info.st_size, block_size, 4, kRandomReads),
                                      random_reads(info.st_size, block_size, 1024, kRandomReads)};
  std::vector<double> per{kRandomReads, kRandomReads};
  if (argc == 3) {
    std::ifstream listed(argv[2]);
    std::vector<Read> replay;
    for (Read read{}; listed >> read.size >> read.offset;) replay.push_back(read);
    if (replay.empty()) {
      std::fprintf(stderr, "%s: no reads listed\n", argv[2]);
      return 1;
    }
    names.push_back("replay");
    sets.push_back(std::move(replay));
    per.push_back(1);
  }
  report(fd, names, sets, per);
  ::close(fd);
  return 0;
}
