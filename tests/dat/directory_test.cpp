#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>

#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "portal_fixture/archive_file.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "record_testing.hpp"

namespace brackwater::dat {
namespace {

using portal_fixture::ArchiveBuilder;
using portal_fixture::ArchiveFile;
using portal_fixture::DirNode;
using test_support::failure_of;

constexpr std::uint32_t kPastEnd = 0x7FFFFF00;

// Entries that are never read: the timestamp tells duplicates apart.
DatFileEntry entry(std::uint32_t id, std::uint32_t tag = 0) {
  DatFileEntry e;
  e.id = id;
  e.offset = 0x1000 + id;
  e.size = 16;
  e.timestamp = tag;
  return e;
}

std::vector<DatFileEntry> entries(std::uint32_t first, std::uint32_t count) {
  std::vector<DatFileEntry> list;
  for (std::uint32_t id = first; id < first + count; ++id) list.push_back(entry(id));
  return list;
}

// Id -> timestamp of each entry the opened archive's index holds.
std::map<std::uint32_t, std::uint32_t> open_tags(const ArchiveBuilder& b) {
  auto db = ArchiveFile(b).open();
  if (!db) ADD_FAILURE() << db.error().message();
  std::map<std::uint32_t, std::uint32_t> tags;
  if (db) {
    for (const auto& [id, e] : db->index()) tags[id] = e.timestamp;
  }
  return tags;
}

std::string open_error(const ArchiveBuilder& b) {
  return test_support::error_text(ArchiveFile(b).open());
}

TEST(Directory, WithoutRootIndexIsEmpty) {
  ArchiveBuilder b;
  b.add_file(1, portal_fixture::to_bytes("x"));
  b.set_root(0);
  EXPECT_TRUE(open_tags(b).empty());
}

TEST(Directory, LeafIgnoresSlotsAfterSlotZero) {
  ArchiveBuilder b;
  b.set_root(b.add_node({.branches = {0, kPastEnd, kPastEnd}, .entries = {entry(7, 1)}}));
  EXPECT_EQ(open_tags(b), (std::map<std::uint32_t, std::uint32_t>{{7, 1}}));
}

TEST(Directory, FullLeafIsIndexedAndOneMoreEntryFails) {
  ArchiveBuilder full;
  full.set_root(full.add_node({.entries = entries(100, 61)}));
  EXPECT_EQ(open_tags(full).size(), 61u);

  ArchiveBuilder over;
  over.set_root(over.add_node({.entries = entries(100, 61), .count = 62}));
  auto db = ArchiveFile(over).open();
  ASSERT_FALSE(db);
  EXPECT_EQ(failure_of(db.error()),
            (test_support::RecordFailure{test_support::kEof,
                                         {"While parsing field 'bit_flags' in DatFileEntry"}}));
}

// An inner node with two entries has children in slots 0 to 2 only; a slot
// beyond (here one that could not be read) is never visited.
TEST(Directory, VisitsSlotsZeroToEntryCountAndSkipsEmptyOnes) {
  struct Case {
    const char* what;
    std::vector<int> children;  // child number per slot, -1 for an empty slot
    std::vector<std::uint32_t> ids;
  } cases[] = {
      {"slots 0, 1, 2 set, 3 unreadable", {0, 1, 2, 3}, {1, 2, 10, 20, 30}},
      {"slot 1 empty", {0, -1, 2, 3}, {1, 2, 10, 30}},
  };
  for (const Case& c : cases) {
    ArchiveBuilder b;
    std::vector<std::uint32_t> slots;
    for (const int child : c.children) {
      if (child < 0)
        slots.push_back(0);
      else if (child == 3)
        slots.push_back(kPastEnd);
      else
        slots.push_back(b.add_node({.entries = {entry(10u * static_cast<unsigned>(child + 1))}}));
    }
    b.set_root(b.add_node({.branches = slots, .entries = {entry(1), entry(2)}}));
    std::vector<std::uint32_t> ids;
    for (const auto& [id, tag] : open_tags(b)) ids.push_back(id);
    EXPECT_EQ(ids, c.ids) << c.what;
  }
}

// The walk is depth-first and pre-order: a node's own entries before its
// children's, slot 0 first; the entry met last stays.
TEST(Directory, LaterDuplicateInWalkOrderWins) {
  struct Case {
    const char* what;
    std::uint32_t root_tag, first_tag, grandchild_tag, second_tag, survivor;
  } cases[] = {
      {"child replaces parent", 1, 2, 0, 0, 2},
      {"grandchild replaces both", 1, 2, 3, 0, 3},
      {"higher sibling replaces lower subtree", 1, 2, 3, 4, 4},
      {"parent's entry kept when no child repeats it", 1, 0, 0, 0, 1},
  };
  constexpr std::uint32_t kId = 0x08000001;
  for (const Case& c : cases) {
    ArchiveBuilder b;
    auto node = [&](std::uint32_t tag, std::vector<std::uint32_t> branches = {}) {
      DirNode n{.branches = std::move(branches), .entries = {entry(2 + tag)}};
      if (tag != 0) n.entries.push_back(entry(kId, tag));
      return b.add_node(n);
    };
    const std::uint32_t grandchild = node(c.grandchild_tag);
    const std::uint32_t first = node(c.first_tag, {grandchild, node(0)});
    const std::uint32_t second = node(c.second_tag);
    b.set_root(node(c.root_tag, {first, second}));
    EXPECT_EQ(open_tags(b)[kId], c.survivor) << c.what;
  }
}

TEST(Directory, FailingChildEndsTheWalk) {
  ArchiveBuilder b;
  const std::uint32_t good = b.add_node({.entries = {entry(5)}});
  b.set_root(b.add_node({.branches = {kPastEnd, good}, .entries = {entry(1)}}));
  EXPECT_EQ(open_error(b), "IO error: failed to fill whole buffer");
}

// A node linked from two places is walked at each, in walk order, so the
// entry met last is the one from whichever visit came later.
TEST(Directory, SharedNodeIsWalkedAgainWhereverItIsLinked) {
  constexpr std::uint32_t kId = 0x08000001;
  struct Case {
    const char* what;
    bool repeat_between;  // a leaf repeating the id sits between the two visits, else after
    std::uint32_t survivor;
  } cases[] = {
      {"shared leaf visited again after the repeat", true, 1},
      {"repeat after both visits", false, 2},
  };
  for (const Case& c : cases) {
    ArchiveBuilder b;
    const std::uint32_t shared = b.add_node({.entries = {entry(kId, 1), entry(5)}});
    const std::uint32_t repeat = b.add_node({.entries = {entry(kId, 2)}});
    const std::uint32_t first_parent = b.add_node({.branches = {shared}});
    const std::uint32_t second_parent =
        b.add_node({.branches = {shared, shared}, .entries = {entry(6)}});
    const std::vector<std::uint32_t> slots = c.repeat_between
                                                 ? std::vector{first_parent, repeat, second_parent}
                                                 : std::vector{first_parent, second_parent, repeat};
    b.set_root(b.add_node({.branches = slots, .entries = {entry(1), entry(2)}}));
    const auto tags = open_tags(b);
    EXPECT_EQ(tags.size(), 5u) << c.what;
    EXPECT_EQ(tags.at(kId), c.survivor) << c.what;
  }
}

// Only a branch back to a node on the current path is a cycle; the error
// names the node holding the branch and the ancestor it leads to.
TEST(Directory, BranchToAnAncestorIsCorruption) {
  struct Case {
    const char* what;
    // Builds the tree; returns the root, the node holding the branch and its target.
    std::array<std::uint32_t, 3> (*build)(ArchiveBuilder&);
  } cases[] = {
      {"root links to itself",
       [](ArchiveBuilder& b) {
         const std::uint32_t root = b.reserve_node();
         b.set_node(root, {.branches = {root}, .entries = {entry(1)}});
         return std::array{root, root, root};
       }},
      {"grandchild's second slot links to the root",
       [](ArchiveBuilder& b) {
         const std::uint32_t root = b.reserve_node();
         const std::uint32_t leaf = b.add_node({.entries = {entry(3)}});
         const std::uint32_t grandchild =
             b.add_node({.branches = {leaf, root}, .entries = {entry(2)}});
         const std::uint32_t child = b.add_node({.branches = {grandchild}});
         b.set_node(root, {.branches = {leaf, child}, .entries = {entry(1)}});
         return std::array{root, grandchild, root};
       }},
  };
  for (const Case& c : cases) {
    ArchiveBuilder b;
    const auto [root, holder, ancestor] = c.build(b);
    b.set_root(root);
    EXPECT_EQ(open_error(b), "Corruption detected: directory node at offset 0x" + hex8(holder) +
                                 " links back to its own ancestor at 0x" + hex8(ancestor))
        << c.what;
  }
}

// Each node of a deep chain is one 9-byte block holding slot 0 (the next node
// down), linked to a block shared by all of them that holds the rest of the
// node: entry count 0, so slot 0 is its only child. Returns the top node.
namespace {
std::uint32_t add_deep_chain(ArchiveBuilder& b, int depth) {
  const std::uint32_t rest = b.add_chain(Bytes(1716 - 5), {.blocks = 1});
  std::uint32_t below = b.add_node({.entries = {entry(42, 1)}});
  for (int k = 0; k < depth; ++k) {
    Bytes head(5);
    portal_fixture::poke_u32(head, 0, below);
    below = b.add_chain(head, {.links = {{0, rest}}});
  }
  return below;
}
}  // namespace

// 100,000 levels would overflow the stack of a recursive walk. The nodes
// share a block to keep the archive small, so the file is extended (sparsely)
// to the length that many separate nodes would need.
TEST(Directory, DeepTreeIsWalkedWithoutRecursion) {
  constexpr int kDepth = 100000;
  ArchiveBuilder b({.block_size = 9});
  b.set_root(add_deep_chain(b, kDepth));
  ArchiveFile file(b);
  std::filesystem::resize_file(file.path(), std::uint64_t{kDepth + 1} * 1716 * 2);
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  EXPECT_EQ(db->index().size(), 1u);
}

// A node linked twice at each of 40 levels would be walked 2^40 times from a
// file of 70 KB; nodes sharing blocks make a walk of gigabytes from one of
// a megabyte. The walk stops once it has read far more than the archive holds.
TEST(Directory, WalkReadingFarMoreThanTheArchiveIsRefused) {
  struct Case {
    const char* what;
    std::uint32_t block_size;
    std::uint32_t (*build)(ArchiveBuilder&);
  } cases[] = {
      {"each node linked twice, 40 levels", 1024,
       [](ArchiveBuilder& b) {
         std::uint32_t below = b.add_node({.entries = {entry(42)}});
         for (std::uint32_t level = 0; level < 40; ++level) {
           below = b.add_node({.branches = {below, below}, .entries = {entry(level)}});
         }
         return below;
       }},
      {"100,000 nodes sharing a block", 9,
       [](ArchiveBuilder& b) { return add_deep_chain(b, 100000); }},
  };
  for (const Case& c : cases) {
    ArchiveBuilder b({.block_size = c.block_size});
    const std::uint32_t root = c.build(b);
    b.set_root(root);
    EXPECT_EQ(open_error(b), "Corruption detected: directory from offset 0x" + hex8(root) +
                                 " reads more than the archive holds: its nodes share blocks "
                                 "or are linked many times")
        << c.what;
  }
}

TEST(Directory, OpenIndexesEveryFileOfALargeArchive) {
  constexpr std::uint32_t kFiles = 100000;
  ArchiveBuilder b({.block_size = 64});
  for (std::uint32_t k = 0; k < kFiles; ++k) {
    Bytes bytes(4);
    portal_fixture::poke_u32(bytes, 0, k);
    b.add_file(0x01000000 + 7 * k, bytes);
  }
  auto db = ArchiveFile(b).open();
  ASSERT_TRUE(db) << db.error().message();
  std::vector<std::uint32_t> ids;
  for (const auto& [id, e] : db->index()) ids.push_back(id);
  std::sort(ids.begin(), ids.end());
  ASSERT_EQ(ids.size(), kFiles);
  for (std::uint32_t k = 0; k < kFiles; ++k) ASSERT_EQ(ids[k], 0x01000000 + 7 * k);
  Bytes last(4);
  portal_fixture::poke_u32(last, 0, kFiles - 1);
  EXPECT_EQ(db->get_file(0x01000000 + 7 * (kFiles - 1)), last);
}

// Walking the same tree again, duplicates included, re-inserts what the
// first walk left: the index does not change.
TEST(Directory, SecondWalkLeavesTheIndexAsItWas) {
  ArchiveBuilder b;
  const std::uint32_t child = b.add_node({.entries = {entry(3, 2), entry(9, 1)}});
  b.set_root(b.add_node(
      {.branches = {child, b.add_node({.entries = {entry(12, 1)}})}, .entries = {entry(3, 1)}}));
  ArchiveFile file(b);
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  const auto tags = [&db] {
    std::map<std::uint32_t, std::uint32_t> by_id;
    for (const auto& [id, e] : db->index()) by_id[id] = e.timestamp;
    return by_id;
  };
  const std::map<std::uint32_t, std::uint32_t> expected{{3, 2}, {9, 1}, {12, 1}};
  EXPECT_EQ(tags(), expected);
  ASSERT_TRUE(db->read_directory());
  EXPECT_EQ(tags(), expected);
  EXPECT_EQ(db->index().size(), 3u);
}

}  // namespace
}  // namespace brackwater::dat
