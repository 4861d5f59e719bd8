// Measures what one positional read costs on this machine: random 4-byte and
// 1 KiB reads at block starts of an archive that is already in the page
// cache, the two kinds of read a survey makes.
//
//   pread_cost ARCHIVE [READS]
//
// Prints the median over rounds of the mean time per call, in wall time
// ("pread_4_ns N", "pread_1024_ns N") and in CPU time ("pread_4_cpu_ns N",
// "pread_1024_cpu_ns N"), which a loaded machine disturbs less.

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr off_t kBlockSizeOffset = 0x144;
constexpr std::size_t kRounds = 7;
constexpr std::size_t kDefaultReads = 100'000;
constexpr std::size_t kLargeRead = 1024;

// Block starts spread uniformly over the archive, past the header.
std::vector<off_t> random_block_starts(off_t file_size, std::uint32_t block_size,
                                       std::size_t count) {
  const auto last_block = static_cast<std::uint64_t>(file_size - kLargeRead) / block_size;
  std::mt19937_64 rng(42);
  std::uniform_int_distribution<std::uint64_t> pick(1, last_block);
  std::vector<off_t> starts(count);
  for (off_t& start : starts) start = static_cast<off_t>(pick(rng) * block_size);
  return starts;
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

// Mean time per call of `size`-byte reads at `starts`.
Cost mean_read_cost(int fd, const std::vector<off_t>& starts, std::size_t size) {
  std::array<unsigned char, kLargeRead> buffer;
  const double cpu_begin = cpu_ns();
  const auto begin = std::chrono::steady_clock::now();
  for (const off_t start : starts) {
    if (::pread(fd, buffer.data(), size, start) != static_cast<ssize_t>(size)) {
      std::perror("pread");
      std::exit(1);
    }
  }
  const std::chrono::duration<double, std::nano> wall = std::chrono::steady_clock::now() - begin;
  const auto calls = static_cast<double>(starts.size());
  return {wall.count() / calls, (cpu_ns() - cpu_begin) / calls};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s ARCHIVE [READS]\n", argv[0]);
    return 2;
  }
  const std::size_t reads = argc == 3 ? std::strtoull(argv[2], nullptr, 10) : kDefaultReads;
  const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
  struct stat info {};
  unsigned char raw[4] = {};
  const bool readable = fd >= 0 && ::fstat(fd, &info) == 0 &&
                        ::pread(fd, raw, sizeof raw, kBlockSizeOffset) == sizeof raw;
  // The header's block size, little-endian.
  const std::uint32_t block_size = std::uint32_t{raw[0]} | std::uint32_t{raw[1]} << 8 |
                                   std::uint32_t{raw[2]} << 16 | std::uint32_t{raw[3]} << 24;
  if (!readable || block_size < 8 ||
      info.st_size < static_cast<off_t>(kBlockSizeOffset + 2 * kLargeRead) || reads == 0) {
    std::fprintf(stderr, "%s: not a readable archive, or no reads asked for\n", argv[1]);
    return 1;
  }
  const std::vector<off_t> starts = random_block_starts(info.st_size, block_size, reads);
  // Rounds alternate the two sizes so both see the same machine load.
  std::vector<double> small_wall, small_cpu, large_wall, large_cpu;
  for (std::size_t round = 0; round < kRounds; ++round) {
    const Cost small = mean_read_cost(fd, starts, 4);
    const Cost large = mean_read_cost(fd, starts, kLargeRead);
    small_wall.push_back(small.wall_ns);
    small_cpu.push_back(small.cpu_ns);
    large_wall.push_back(large.wall_ns);
    large_cpu.push_back(large.cpu_ns);
  }
  ::close(fd);
  std::printf("pread_4_ns %.0f\npread_1024_ns %.0f\npread_4_cpu_ns %.0f\npread_1024_cpu_ns %.0f\n",
              median(small_wall), median(large_wall), median(small_cpu), median(large_cpu));
  return 0;
}
