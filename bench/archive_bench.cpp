#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "brackwater/dat/database.hpp"
#include "portal_fixture/archive_file.hpp"
#include "portal_fixture/archive_writer.hpp"

namespace {

using brackwater::dat::Bytes;
using brackwater::dat::DatDatabase;
using portal_fixture::ArchiveBuilder;
using portal_fixture::ArchiveFile;

constexpr std::uint32_t kBlockSize = 1024;
constexpr std::uint32_t kEntryCount = 100'000;
constexpr std::uint32_t kChainedSize = 64 * 1024;
constexpr std::uint32_t kChainedId = 0x06000001;

// 100,000 one-block files under the writer's balanced tree (about 1,650
// nodes of two blocks each), ids spread over the record types.
const ArchiveFile& large_directory() {
  static const ArchiveFile file = [] {
    ArchiveBuilder builder({.block_size = kBlockSize});
    const Bytes content{1, 2, 3, 4};
    for (std::uint32_t k = 0; k < kEntryCount; ++k) {
      builder.add_file((k % 5 + 4) << 24 | k, content);
    }
    return ArchiveFile(builder);
  }();
  return file;
}

// One 64 KiB file spread over 65 blocks of 1024 bytes.
const ArchiveFile& chained_file() {
  static const ArchiveFile file = [] {
    std::mt19937 rng(9);
    Bytes content(kChainedSize);
    for (auto& byte : content) byte = static_cast<std::uint8_t>(rng());
    ArchiveBuilder builder({.block_size = kBlockSize});
    builder.add_file(kChainedId, content);
    return ArchiveFile(builder);
  }();
  return file;
}

// The whole open: the header, then read_directory: the walk and the index build.
void BM_OpenLargeDirectory(benchmark::State& state) {
  const ArchiveFile& file = large_directory();
  for (auto _ : state) {
    auto db = DatDatabase::open(file.path());
    if (!db || db->index().size() != kEntryCount) {
      state.SkipWithError("archive does not open with every entry");
      return;
    }
    benchmark::DoNotOptimize(db->index().size());
  }
  state.SetItemsProcessed(state.iterations() * kEntryCount);
}

void BM_GetChainedFile(benchmark::State& state) {
  auto db = chained_file().open();
  if (!db || !db->get_file(kChainedId)) {
    state.SkipWithError("archive does not open");
    return;
  }
  for (auto _ : state) {
    auto bytes = db->get_file(kChainedId);
    benchmark::DoNotOptimize(bytes->data());
  }
  state.SetBytesProcessed(state.iterations() * kChainedSize);
}

BENCHMARK(BM_OpenLargeDirectory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetChainedFile)->Unit(benchmark::kMicrosecond);

}  // namespace
