#include "directory_walk.hpp"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "brackwater/dat/display.hpp"
#include "brackwater/dat/field_reader.hpp"
#include "saturating_add.hpp"

namespace brackwater::dat {
namespace {

// Ceiling on the entries reserved before the walk: 28 MiB of address space.
constexpr std::uint64_t kMaxReservedEntries = std::uint64_t{1} << 20;

// What the walk may read beyond the archive's length and block count: about
// 9,800 more node reads, each of which may collect 61 entries again.
constexpr std::uint64_t kWalkSlackBytes = std::uint64_t{16} << 20;
constexpr std::uint64_t kWalkSlackBlocks = std::uint64_t{1} << 17;

// A directory node, read as the first 1716 bytes of the block chain at its
// offset: 62 u32 child offsets (0 = empty slot), a u32 entry count, then
// room for 61 entries of 24 bytes.
constexpr std::uint32_t kNodeSize = 1716;
constexpr std::size_t kBranchSlots = 62;
constexpr std::size_t kCountOffset = kBranchSlots * 4;
constexpr std::size_t kEntriesOffset = kCountOffset + 4;
constexpr std::size_t kEntrySize = 24;
constexpr std::size_t kEntrySlots = 61;

std::uint32_t branch(ByteSpan node, std::size_t slot) {
  return load_u32(node.data() + slot * 4);
}
std::uint32_t entry_count(ByteSpan node) {
  return load_u32(node.data() + kCountOffset);
}

// Entry k: bit_flags, id, offset, size, timestamp, version, all u32.
DatFileEntry entry_at(ByteSpan node, std::size_t k) {
  const std::uint8_t* at = node.data() + kEntriesOffset + k * kEntrySize;
  return DatFileEntry{load_u32(at),      load_u32(at + 4),  load_u32(at + 8),
                      load_u32(at + 12), load_u32(at + 16), load_u32(at + 20)};
}

// The node's entries into `parsed`. The 61 that fit are read straight from
// the node; a 62nd would begin where the node ends, so a count above 61
// fails at that entry's first field.
std::expected<void, ReadError> parse_entries(ByteSpan node, std::vector<DatFileEntry>& parsed) {
  parsed.clear();
  const std::uint32_t count = entry_count(node);
  for (std::size_t k = 0; k < std::min<std::size_t>(count, kEntrySlots); ++k) {
    parsed.push_back(entry_at(node, k));
  }
  if (count > kEntrySlots) {
    FieldReader past_end{node.subspan(kNodeSize), "DatFileEntry"};
    return std::unexpected(past_end.u32("bit_flags").error());
  }
  return {};
}

// What the walk does next: read a node, collect an entry, or leave an inner
// node whose subtree is done (it is then no longer on the current path).
struct WalkStep {
  enum class Kind { kNode, kEntry, kLeave };
  Kind kind = Kind::kNode;
  std::uint32_t node = 0;
  std::uint32_t rank = 0;
  DatFileEntry entry{};
};

// Entries in the order they are collected, each with its rank in the order
// their nodes were read.
class Collected {
 public:
  explicit Collected(std::size_t expected) {
    entries_.reserve(expected);
    ranks_.reserve(expected);
  }

  void add(const DatFileEntry& entry, std::uint32_t rank) {
    entries_.emplace_back(entry.id, entry);
    ranks_.push_back(rank);
  }

  // The index of the entries, a later one in rank order replacing an earlier
  // one with its id. Without a repeated id the order makes no difference, and
  // ascending ids, which a well-formed tree gives, are taken as they are.
  FileIndex into_index() && {
    if (FileIndex::strictly_ascending(entries_)) return FileIndex(std::move(entries_));
    std::vector<FileIndex::value_type> ranked(entries_.size());
    for (std::size_t k = 0; k < entries_.size(); ++k) ranked[ranks_[k]] = entries_[k];
    entries_ = {};
    return FileIndex(std::move(ranked));
  }

 private:
  std::vector<FileIndex::value_type> entries_;
  std::vector<std::uint32_t> ranks_;
};

// Collects a leaf's entries, or queues an inner node's children (slots 0 to
// entry count, at most 61) and entries so that they come off the stack as
// child 0, entry 0, child 1, entry 1, ... and the entries are collected in
// key order. Empty slots are skipped.
void visit(ByteSpan node, const std::vector<DatFileEntry>& parsed, std::uint32_t first_rank,
           std::vector<WalkStep>& pending, Collected& collected) {
  if (branch(node, 0) == 0) {
    for (std::size_t k = 0; k < parsed.size(); ++k) {
      collected.add(parsed[k], first_rank + static_cast<std::uint32_t>(k));
    }
    return;
  }
  for (std::size_t slot = parsed.size() + 1; slot-- > 0;) {
    if (const std::uint32_t child = branch(node, slot); child != 0) {
      pending.push_back({WalkStep::Kind::kNode, child});
    }
    if (slot > 0) {
      pending.push_back({WalkStep::Kind::kEntry, 0,
                         first_rank + static_cast<std::uint32_t>(slot - 1), parsed[slot - 1]});
    }
  }
}

// The inner nodes from the root down to the node being walked. A branch to
// one of them would make the walk go round for ever.
class CurrentPath {
 public:
  void enter(std::uint32_t node) {
    nodes_.push_back(node);
    members_.insert(node);
  }
  void leave() {
    members_.erase(nodes_.back());
    nodes_.pop_back();
  }
  bool contains(std::uint32_t node) const { return members_.contains(node); }
  // The node whose branches are being followed.
  std::uint32_t innermost() const { return nodes_.back(); }

 private:
  std::vector<std::uint32_t> nodes_;
  std::unordered_set<std::uint32_t> members_;
};

}  // namespace

std::expected<DirectoryWalk, DatError> walk_directory(const ChainReader& chains,
                                                      std::uint32_t root) {
  const std::uint64_t length = chains.length();
  const std::uint64_t blocks = chains.block_count();
  if (root == 0) return DirectoryWalk{};
  // Every stored file takes at least one block. Pages of the reservation
  // that the walk does not fill are never touched, so they cost no memory.
  Collected collected(static_cast<std::size_t>(std::min(blocks, kMaxReservedEntries)));

  // A sound directory's nodes lie in blocks of their own and are linked once,
  // so its walk reads no more than the archive holds. The slack lets a few
  // shared nodes be walked again, while nodes linked twice at every level of
  // a deep tree, or millions of nodes sharing a block, end after a bounded
  // amount of work.
  const std::uint64_t byte_allowance = saturating_add(length, kWalkSlackBytes);
  const std::uint64_t block_allowance = saturating_add(blocks, kWalkSlackBlocks);
  ReadBudget budget(byte_allowance, block_allowance);

  // Depth first with an explicit stack: a node is read before its children,
  // and children from slot 0 upward, each subtree completely before the next;
  // a node linked twice is walked twice. Entries are ranked in that order, so
  // a later duplicate id replaces an earlier one exactly as a recursive walk
  // inserting as it reads would leave them.
  std::vector<WalkStep> pending{{WalkStep::Kind::kNode, root}};
  CurrentPath path;
  std::vector<DatFileEntry> parsed;
  std::uint32_t next_rank = 0;
  while (!pending.empty()) {
    const WalkStep step = pending.back();
    pending.pop_back();
    if (step.kind == WalkStep::Kind::kEntry) {
      collected.add(step.entry, step.rank);
      continue;
    }
    if (step.kind == WalkStep::Kind::kLeave) {
      path.leave();
      continue;
    }
    if (path.contains(step.node)) {
      return std::unexpected(DatError(
          DatError::Corruption{"directory node at offset 0x" + hex8(path.innermost()) +
                               " links back to its own ancestor at 0x" + hex8(step.node)}));
    }
    auto node = chains.read(step.node, kNodeSize, &budget);
    if (!node && node.error().read_limit_reached()) {
      return std::unexpected(DatError(DatError::Corruption{
          "directory from offset 0x" + hex8(root) +
          " reads more than the archive holds: its nodes share blocks or are linked many times"}));
    }
    if (!node) return std::unexpected(std::move(node.error()));
    if (auto entries = parse_entries(*node, parsed); !entries) {
      return std::unexpected(DatError(std::move(entries.error())));
    }
    if (branch(*node, 0) != 0) {
      // Its subtree lies above this step on the stack.
      path.enter(step.node);
      pending.push_back({WalkStep::Kind::kLeave});
    }
    visit(*node, parsed, next_rank, pending, collected);
    next_rank += static_cast<std::uint32_t>(parsed.size());
  }
  return DirectoryWalk{std::move(collected).into_index(), byte_allowance - budget.bytes_left(),
                       block_allowance - budget.blocks_left()};
}

}  // namespace brackwater::dat
