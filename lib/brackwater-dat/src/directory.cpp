#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/dat/field_reader.hpp"

namespace brackwater::dat {
namespace {

// Ceiling on the entries reserved before the walk: 28 MiB of address space.
constexpr std::uint64_t kMaxReservedEntries = std::uint64_t{1} << 20;

// A directory node, read as the first 1716 bytes of the block chain at its
// offset: 62 u32 child offsets (0 = empty slot), a u32 entry count, then
// room for 61 entries of 24 bytes.
constexpr std::uint32_t kNodeSize = 1716;
constexpr std::size_t kBranchSlots = 62;
constexpr std::size_t kCountOffset = kBranchSlots * 4;
constexpr std::size_t kEntriesOffset = kCountOffset + 4;

std::uint32_t branch(ByteSpan node, std::size_t slot) {
  return load_u32(node.data() + slot * 4);
}
std::uint32_t entry_count(ByteSpan node) {
  return load_u32(node.data() + kCountOffset);
}

// An entry: bit_flags, id, offset, size, timestamp, version, all u32.
std::expected<DatFileEntry, ReadError> parse_entry(FieldReader& in) {
  DatFileEntry entry;
  const std::pair<std::uint32_t*, std::string_view> fields[] = {
      {&entry.bit_flags, "bit_flags"}, {&entry.id, "id"},
      {&entry.offset, "offset"},       {&entry.size, "size"},
      {&entry.timestamp, "timestamp"}, {&entry.version, "version"},
  };
  for (const auto& [out, name] : fields) {
    auto value = in.u32(name);
    if (!value) return std::unexpected(std::move(value.error()));
    *out = *value;
  }
  return entry;
}

// Appends each of the node's entries to `walked` as soon as it is parsed, so
// a count above 61 fails only after the entries that fit.
std::expected<void, ReadError> collect_entries(ByteSpan node,
                                               std::vector<FileIndex::value_type>& walked) {
  FieldReader in{node.subspan(kEntriesOffset), "DatFileEntry"};
  const std::uint32_t count = entry_count(node);
  for (std::uint32_t k = 0; k < count; ++k) {
    auto entry = parse_entry(in);
    if (!entry) return std::unexpected(std::move(entry.error()));
    walked.emplace_back(entry->id, *entry);
  }
  return {};
}

// Pushes the children of an inner node (slots 0 to entry count, at most 61)
// last slot first, so that popping walks them from slot 0 upward. A leaf,
// whose slot 0 is empty, has none.
void push_children(ByteSpan node, std::vector<std::uint32_t>& pending) {
  if (branch(node, 0) == 0) return;
  const std::size_t last = std::min<std::size_t>(entry_count(node), kBranchSlots - 1);
  for (std::size_t slot = last + 1; slot-- > 0;) {
    if (const std::uint32_t child = branch(node, slot); child != 0) pending.push_back(child);
  }
}

}  // namespace

std::expected<void, DatError> DatDatabase::read_directory() {
  if (header_.root_offset == 0) return {};
  // Entries in walk order; the index takes them all at once at the end. A
  // failed walk leaves the index as it was, and its database is dropped.
  std::vector<FileIndex::value_type> walked;
  // Every stored file takes at least one block. Pages of the reservation
  // that the walk does not fill are never touched, so they cost no memory.
  walked.reserve(static_cast<std::size_t>(std::min(
      file_length_ / std::max<std::uint32_t>(header_.block_size, 1), kMaxReservedEntries)));

  // Depth-first and pre-order with an explicit stack: a node's entries enter
  // the index before its children are read, and a later duplicate id replaces
  // an earlier one, exactly as a recursive walk would leave them.
  std::vector<std::uint32_t> pending{header_.root_offset};
  std::unordered_set<std::uint32_t> visited;
  while (!pending.empty()) {
    const std::uint32_t offset = pending.back();
    pending.pop_back();
    // A node met twice is a cycle or a shared subtree: either would never end
    // or grow the walk exponentially.
    if (!visited.insert(offset).second) {
      return std::unexpected(DatError(DatError::Corruption{
          "directory node at offset 0x" + hex8(offset) + " is linked more than once"}));
    }
    auto node = read_file_data(offset, kNodeSize);
    if (!node) return std::unexpected(std::move(node.error()));
    if (auto collected = collect_entries(*node, walked); !collected) {
      return std::unexpected(DatError(std::move(collected.error())));
    }
    push_children(*node, pending);
  }
  index_.insert_or_assign_all(std::move(walked));
  return {};
}

}  // namespace brackwater::dat
