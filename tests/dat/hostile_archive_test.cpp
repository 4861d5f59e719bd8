#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/dat/lrs.hpp"
#include "brackwater/dat/read_budget.hpp"
#include "portal_fixture/archive_file.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/lrs_encoder.hpp"
#include "test_records.hpp"

namespace brackwater::dat {
namespace {

using portal_fixture::ArchiveBuilder;
using portal_fixture::ArchiveFile;
using portal_fixture::DirNode;

constexpr std::uint32_t kId = 0x06000001;
constexpr std::uint32_t kMiB = 1u << 20;

std::string error_text(const std::expected<Bytes, DatError>& result) {
  return result ? "success" : result.error().message();
}

// Bytes nobody reads, so that entries may claim sizes up to the archive's length.
void pad(ArchiveBuilder& b, std::uint32_t size) {
  b.add_chain(Bytes(size), {.blocks = 1});
}

// Offsets and sizes near 2^32 are computed in 64 bits and end in the short
// read they would be, never in a wrapped offset or an allocation of gigabytes.
TEST(HostileArchive, SizesAndOffsetsNearTheTopEndAsShortReads) {
  ArchiveBuilder b({.block_size = 256});
  const std::uint32_t chain = b.add_chain(Bytes(600, 1));
  const std::uint32_t ends_early = b.add_chain(Bytes(100, 2), {.blocks = 1});
  const std::uint32_t links_high = b.add_chain(Bytes(600, 3), {.links = {{0, 0xFFFFFFFC}}});
  pad(b, 64 * 1024);
  const std::uint32_t root = b.reserve_node();
  const std::uint32_t length = b.end();
  const auto entry = [](std::uint32_t id, std::uint32_t offset, std::uint32_t size) {
    DatFileEntry e;
    e.id = id;
    e.offset = offset;
    e.size = size;
    return e;
  };
  struct Case {
    const char* what;
    DatFileEntry entry;
  } cases[] = {
      {"size 2^32 - 1", entry(1, chain, 0xFFFFFFFF)},
      {"size 2^31", entry(2, chain, 0x80000000)},
      {"size one past the archive", entry(3, chain, length + 1)},
      {"first block at 2^32 - 4", entry(4, 0xFFFFFFFC, 16)},
      {"first block at 2^32 - 1", entry(5, 0xFFFFFFFF, 600)},
      {"a link to 2^32 - 4", entry(6, links_high, 600)},
      {"a chain ending early whose rest runs past the end", entry(7, ends_early, length - 600)},
  };
  DirNode node;
  for (const Case& c : cases) node.entries.push_back(c.entry);
  b.set_node(root, node);
  b.set_root(root);
  const Bytes archive = b.build();
  ASSERT_EQ(archive.size(), length);
  ArchiveFile file(archive);
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  for (const Case& c : cases) {
    EXPECT_EQ(error_text(db->get_file(c.entry.id)), "IO error: failed to fill whole buffer")
        << c.what;
  }
}

// A stream that claims 4 GiB but stops after three bytes is stored in a
// megabyte: the output is sized by what the stream yields, not by the claim
// or by the most the stored bytes could expand to.
TEST(HostileArchive, CompressedFileClaimingGigabytesReservesWhatItYields) {
  portal_fixture::LrsTokenWriter stream(0xFFFFFFFF);
  for (const char c : {'a', 'b', 'c'}) stream.literal(static_cast<std::uint8_t>(c));
  stream.match(0, 2);  // ends the stream
  Bytes stored = std::move(stream).finish();
  stored.resize(kMiB, 0x11);
  ArchiveBuilder b;
  b.add_file(kId, stored, {.bit_flags = 1});
  ArchiveFile file(b);
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  auto bytes = db->get_file(kId);
  ASSERT_TRUE(bytes) << bytes.error().message();
  EXPECT_EQ(*bytes, portal_fixture::to_bytes("abc"));
  EXPECT_LT(bytes->capacity(), 64u);
}

// A stream that truly expands (8 bytes per 17 stored, repeated) to
// `output` bytes: 'a', then back-references of distance 1 and length 17.
Bytes expanding_stream(std::uint32_t output) {
  portal_fixture::LrsTokenWriter stream(output);
  stream.literal('a');
  for (std::uint32_t made = 1; made < output; made += 17) stream.match(1, 17);
  return std::move(stream).finish();
}

// 8.5 MB stored could decompress to 68 MiB; what a file may decompress to is
// capped, so a stream that really expands cannot hold hundreds of megabytes.
TEST(HostileArchive, CompressedFileDecompressingPastTheCapFails) {
  ArchiveBuilder b;
  b.add_file(kId, expanding_stream(kMaxDecompressedSize), {.bit_flags = 1});
  b.add_file(kId + 1, expanding_stream(kMaxDecompressedSize + 1), {.bit_flags = 1});
  ArchiveFile file(b);
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  auto at_cap = db->get_file(kId);
  ASSERT_TRUE(at_cap) << at_cap.error().message();
  EXPECT_EQ(at_cap->size(), kMaxDecompressedSize);
  EXPECT_EQ(error_text(db->get_file(kId + 1)), "Failed to recover compressed file 06000002");
}

// What a fetch within `budget` ended in: "success", "read limit" for a
// refusal by the budget, or the error's text.
std::string budget_outcome(const std::expected<Bytes, DatError>& result) {
  if (result) return "success";
  return result.error().read_limit_reached() ? "read limit" : result.error().message();
}

// Entries may share chains, so a few bytes on disk can be fetched without
// end. Within a budget fetches stop once their bytes or their block visits
// would pass it, and from then on every fetch fails, however small.
TEST(HostileArchive, ReadBudgetStopsFetchesByBytesAndByBlocks) {
  constexpr std::uint32_t kSmallBlocks = 0x01000001;  // 600 bytes over 10 blocks of 64
  constexpr std::uint32_t kLarge = 0x01000002;        // 5,000 bytes in one block and its rest
  constexpr std::uint32_t kEmpty = 0x01000003;
  ArchiveBuilder b({.block_size = 64});
  b.add_file(kSmallBlocks, Bytes(600, 1));
  b.add_file(kLarge, Bytes(5000, 2), {.chain = {.blocks = 1}});
  b.add_file(kEmpty, Bytes{});
  ArchiveFile file(b);
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  struct Case {
    std::uint64_t bytes;
    std::uint64_t blocks;
    std::vector<std::uint32_t> fetches;
    std::size_t succeeding;
  };
  for (const Case& c : {
           Case{100000, 25, {kSmallBlocks, kSmallBlocks, kSmallBlocks, kEmpty}, 2},
           Case{12000, 100, {kLarge, kLarge, kLarge, kSmallBlocks, kEmpty}, 2},
           Case{250000, 50, std::vector(50, kLarge), 50},
       }) {
    ReadBudget budget(c.bytes, c.blocks);
    for (std::size_t k = 0; k < c.fetches.size(); ++k) {
      EXPECT_EQ(budget_outcome(db->get_file(c.fetches[k], budget)),
                k < c.succeeding ? "success" : "read limit")
          << c.bytes << " fetch " << k;
    }
    EXPECT_EQ(budget.exhausted(), c.succeeding < c.fetches.size());
  }
}

// The files of a sound archive lie in blocks of their own, so fetching each
// once stays within what the directory leaves of the archive, to the byte.
// Entries made to share a chain run out of it, however the blocks are laid out.
TEST(HostileArchive, UnreadBudgetHoldsASoundArchiveButNotSharedChains) {
  for (const std::uint32_t block_size : {5u, 64u, 1024u}) {
    ArchiveBuilder sound({.block_size = block_size});
    for (std::uint32_t k = 0; k < 40; ++k) {
      sound.add_file(
          0x01000000 + k, Bytes(k * 37, static_cast<std::uint8_t>(k)),
          {.chain = {.blocks = k % 3 == 0 ? std::optional<std::size_t>(1) : std::nullopt}});
    }
    auto db = ArchiveFile(sound).open();
    ASSERT_TRUE(db) << db.error().message();
    ReadBudget budget = db->unread_budget(0, 0);
    for (const auto& [id, entry] : db->index()) {
      EXPECT_EQ(error_text(db->get_file(id, budget)), "success") << block_size << " " << id;
    }
  }

  ArchiveBuilder shared;
  const DatFileEntry first = shared.add_file(0x01000000, Bytes(3000, 7));
  std::vector<DatFileEntry> entries;
  for (std::uint32_t k = 0; k < 20; ++k) {
    DatFileEntry e = first;
    e.id = 0x01000000 + k;
    entries.push_back(e);
  }
  shared.set_root(shared.add_node({.entries = entries}));
  auto db = ArchiveFile(shared).open();
  ASSERT_TRUE(db) << db.error().message();
  ReadBudget budget = db->unread_budget(0, 0);
  std::size_t fetched = 0;
  for (const auto& [id, entry] : db->index()) {
    if (db->get_file(id, budget)) ++fetched;
  }
  EXPECT_LT(fetched, 3u);
  EXPECT_EQ(budget_outcome(db->get_file(0x01000000, budget)), "read limit");
}

// Cut anywhere, the archive fails to open or serves what it still holds:
// every fetch either fails or returns exactly the bytes first stored.
TEST(HostileArchive, TruncationAtEveryOffsetEndsInAnErrorOrTheRightBytes) {
  const Bytes whole = test_support::every_record_archive().build();
  std::map<std::uint32_t, Bytes> stored;
  {
    ArchiveFile file(whole);
    auto db = file.open();
    ASSERT_TRUE(db) << db.error().message();
    for (const auto& [id, entry] : db->index()) stored[id] = db->get_file(id).value();
  }
  ASSERT_EQ(stored.size(), 5u);

  std::size_t opened = 0;
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    ArchiveFile file(ByteSpan(whole).first(cut));
    auto db = file.open();
    if (!db) {
      EXPECT_FALSE(db.error().message().empty());
      continue;
    }
    ++opened;
    for (const auto& [id, entry] : db->index()) {
      auto bytes = db->get_file(id);
      if (bytes) {
        EXPECT_EQ(*bytes, stored.at(id)) << "cut at " << cut << ", id " << hex8(id);
      }
    }
  }
  EXPECT_GT(opened, 0u);
}

}  // namespace
}  // namespace brackwater::dat
