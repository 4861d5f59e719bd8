#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "portal_fixture/archive_file.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/lrs_encoder.hpp"
#include "batch_mechanisms.hpp"
#include "random_bytes.hpp"
#include "record_testing.hpp"

namespace brackwater::dat {
namespace {

using portal_fixture::ArchiveBuilder;
using portal_fixture::ArchiveFile;
using test_support::error_text;
using test_support::random_bytes;
using Mechanism = BatchReader::Mechanism;

constexpr std::uint32_t kPastEnd = 0x7FFFFF00;
constexpr std::uint32_t kBlockSize = 64;

// Files in every way a chain can go wrong, ids from 1 up.
struct DamagedArchive {
  std::vector<std::uint32_t> ids;
  Bytes image;
};

DamagedArchive damaged_archive() {
  ArchiveBuilder b({.block_size = kBlockSize});
  std::uint32_t next_id = 1;
  const auto add = [&](const Bytes& data, const portal_fixture::FileOptions& options) {
    b.add_file(next_id++, data, options);
  };
  const Bytes data = random_bytes(600, 1);
  add(data, {});
  add(data, {.chain = {.reversed = true}});
  add(data, {.chain = {.blocks = 1}});
  add(data, {.chain = {.blocks = 3, .reversed = true}});
  add(data, {.chain = {.links = {{9, kPastEnd}}}});  // the last link, read and not followed
  add(data, {.chain = {.links = {{2, kPastEnd}}}});
  add(data, {.chain = {.links = {{0, kPastEnd + 3}}}});
  add(random_bytes(30, 2), {});
  add({}, {});
  add({}, {.bit_flags = 1});
  add(portal_fixture::to_bytes("abcabcabcabcabcabcabc and more abcabcabcabc"), {.compress = true});
  add({0x09, 0x00, 0x00}, {.bit_flags = 1});
  add(random_bytes(200, 3), {.bit_flags = 1});  // not a stream: decompression fails
  add(data, {.size = 0xFFFFFFF0});              // more than the archive holds
  add(data, {.size = 2000});                    // runs on past its blocks
  // Chains that loop: on themselves, back to their second block, and one
  // that revisits a block yet ends before a loop shows.
  for (const std::size_t from : {0u, 4u}) {
    const std::uint32_t self = b.end();
    add(data, {.chain = {.links = {{from, self + (from == 0 ? 0 : kBlockSize)}}}});
  }
  const std::uint32_t revisit = b.end();
  add(random_bytes(3 * (kBlockSize - 4), 4), {.chain = {.links = {{1, revisit}}}});
  // Chains that run into another file's chain, at a block and inside one.
  const std::uint32_t shared = b.end();
  add(data, {});
  add(data, {.chain = {.links = {{1, shared}}}});
  add(data, {.chain = {.links = {{0, shared + 7}}}});
  add(data, {});
  DamagedArchive archive;
  for (std::uint32_t id = 1; id < next_id + 2; ++id) archive.ids.push_back(id);  // 2 absent
  archive.image = b.build();
  return archive;
}

std::string outcome(const std::expected<Bytes, DatError>& read) {
  if (!read) return "error: " + read.error().message();
  return std::string(read->begin(), read->end());
}

class PrefetchedReadTest : public testing::TestWithParam<Mechanism> {};

// Whatever was read ahead, and however much, a read gives what get_file gives
// and charges its budget alike, down to a budget that runs out on the way.
TEST_P(PrefetchedReadTest, GivesWhatGetFileGives) {
  const DamagedArchive archive = damaged_archive();
  ArchiveFile file(archive.image);
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  std::vector<ChainStart> chains;
  for (const auto& [id, entry] : db->index()) chains.push_back({entry.offset, entry.size});

  for (const std::uint64_t ahead_limit : {std::uint64_t{1} << 20, std::uint64_t{500}, std::uint64_t{0}}) {
    for (const std::uint64_t budget_bytes : {std::uint64_t{1} << 20, std::uint64_t{2500}}) {
      PrefetchedBlocks ahead;
      const ChainPrefetcher prefetcher = db->chain_prefetcher(GetParam());
      if (GetParam() == Mechanism::Advise) {
        EXPECT_EQ(prefetcher.mechanism(), Mechanism::Advise);
      }
      EXPECT_LE(prefetcher.prefetch(chains, ahead_limit, ahead), ahead_limit);
      ReadBudget plain(budget_bytes, 1000);
      ReadBudget taken(budget_bytes, 1000);
      for (const std::uint32_t id : archive.ids) {
        const std::string where = "id " + std::to_string(id) + ", " + std::to_string(ahead_limit) +
                                  " read ahead, budget " + std::to_string(budget_bytes);
        // Held alone, within the same budget, a file comes out as it does
        // from the file, or not at all.
        ReadBudget held_budget = taken;
        const std::string held = outcome(db->get_held_file(id, held_budget, ahead));
        const std::string want = outcome(db->get_file(id, plain));
        EXPECT_EQ(outcome(db->get_file(id, taken, ahead)), want) << where;
        if (held != want) {
          EXPECT_EQ(held, "error: IO error: Resource temporarily unavailable (os error 11)") << where;
        }
        EXPECT_EQ(taken.bytes_left(), plain.bytes_left()) << where;
        EXPECT_EQ(taken.blocks_left(), plain.blocks_left()) << where;
      }
      if (ahead_limit > 500) {
        EXPECT_GT(ahead.bytes_held(), 0u);
      }
    }
  }
}

// With room to spare, every chain a sound archive lays out is held whole,
// whether its blocks follow one another (one read), run back to front (a
// read per block) or end early with the rest back to back; reads from what
// is held alone then give what the file gives.
TEST_P(PrefetchedReadTest, HoldsEverySoundChainWhole) {
  ArchiveBuilder b({.block_size = kBlockSize});
  const Bytes data = random_bytes(600, 5);
  b.add_file(1, data, {});
  b.add_file(2, data, {.chain = {.reversed = true}});
  b.add_file(3, data, {.chain = {.blocks = 1}});
  b.add_file(4, data, {.chain = {.blocks = 3, .reversed = true}});
  b.add_file(5, random_bytes(kBlockSize - 4, 6), {});  // exactly one block
  b.add_file(6, portal_fixture::to_bytes(std::string(900, 'q')), {.compress = true});
  ArchiveFile file(b.build());
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  std::vector<ChainStart> chains;
  for (const auto& [id, entry] : db->index()) chains.push_back({entry.offset, entry.size});
  PrefetchedBlocks ahead;
  db->chain_prefetcher(GetParam()).prefetch(chains, std::uint64_t{1} << 20, ahead);
  for (const auto& [id, entry] : db->index()) {
    ReadBudget budget(std::uint64_t{1} << 20, 1000);
    const auto want = db->get_file(id);
    ASSERT_TRUE(want) << id;
    EXPECT_EQ(outcome(db->get_held_file(id, budget, ahead)), outcome(want)) << id;
  }
}

// A range held again at its offset stays the longer one, and the ranges of
// holds made one after another are all found.
TEST(PrefetchedBlocks, KeepsTheLongerRangeAtAnOffset) {
  PrefetchedBlocks held;
  held.hold({{100, Bytes(10, 1)}, {300, Bytes(5, 3)}});
  held.hold({{100, Bytes(4, 2)}, {200, Bytes(8, 4)}, {100, Bytes(12, 5)}});
  ASSERT_NE(held.find(100, 12), nullptr);
  EXPECT_EQ(*held.find(100, 12), 5);
  ASSERT_NE(held.find(205, 3), nullptr);
  EXPECT_EQ(*held.find(205, 3), 4);
  EXPECT_EQ(held.find(205, 4), nullptr);  // past the end of its range
  EXPECT_EQ(held.find(99, 1), nullptr);
  ASSERT_NE(held.find(300, 5), nullptr);
  EXPECT_EQ(*held.find(300, 5), 3);
  EXPECT_EQ(held.bytes_held(), 12u + 8 + 5);
}

INSTANTIATE_TEST_SUITE_P(Mechanisms, PrefetchedReadTest, test_support::batch_mechanisms(),
                         test_support::mechanism_name);

}  // namespace
}  // namespace brackwater::dat
