#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "brackwater/dat/file_index.hpp"

namespace brackwater::dat {
namespace {

DatFileEntry entry(std::uint32_t id, std::uint32_t tag = 0) {
  return DatFileEntry{.id = id, .offset = id ^ 0x5A5A5A5Au, .timestamp = tag};
}

FileIndex::value_type keyed(std::uint32_t id, std::uint32_t tag = 0) {
  return {id, entry(id, tag)};
}

std::vector<std::uint32_t> ids_in_order(const FileIndex& index) {
  std::vector<std::uint32_t> ids;
  for (const auto& [id, e] : index) ids.push_back(id);
  return ids;
}

TEST(FileIndex, FindsEveryIdItHoldsAndNoOther) {
  // Even offsets within a few type bytes, as archives number their files, in
  // the order of a directory walk (not sorted), through the top and bottom of
  // the range; odd offsets are absent.
  constexpr std::uint32_t kTypes[] = {0x08000000u, 0x06000000u, 0xFFFFE000u, 0x00000000u};
  std::vector<FileIndex::value_type> walked;
  std::vector<std::uint32_t> ids;
  for (std::uint32_t k = 0; k < 3000; ++k) {
    for (const std::uint32_t type : kTypes) {
      const std::uint32_t id = type + 2 * (k * 7 % 3000);
      walked.push_back(keyed(id));
      ids.push_back(id);
    }
  }
  const FileIndex index(walked);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids_in_order(index), ids);
  for (const std::uint32_t id : ids) {
    const auto found = index.find(id);
    ASSERT_NE(found, index.end()) << id;
    EXPECT_EQ(found->second.offset, id ^ 0x5A5A5A5Au);
    EXPECT_FALSE(index.contains(id + 1)) << id + 1;
  }
  for (const std::uint32_t absent : {0x07FFFFFFu, 0x05000000u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(index.contains(absent)) << absent;
  }
}

TEST(FileIndex, LaterEntriesReplaceEarlierOnes) {
  const FileIndex index({keyed(7, 1), keyed(3, 1), keyed(9, 1), keyed(3, 2), keyed(9, 3),
                         keyed(5, 3), keyed(9, 4), keyed(7, 5)});
  EXPECT_EQ(ids_in_order(index), (std::vector<std::uint32_t>{3, 5, 7, 9}));
  const std::pair<std::uint32_t, std::uint32_t> tags[] = {{3, 2}, {5, 3}, {7, 5}, {9, 4}};
  for (const auto& [id, tag] : tags) EXPECT_EQ(index.find(id)->second.timestamp, tag) << id;
}

TEST(FileIndex, EmptyHoldsNothing) {
  for (const FileIndex& index : {FileIndex(), FileIndex(std::vector<FileIndex::value_type>{})}) {
    EXPECT_TRUE(index.empty());
    EXPECT_EQ(index.find(0), index.end());
    EXPECT_TRUE(index.of_type(0).empty());
  }
}

// Each type's ids, ascending, through the bottom and top of the id range.
TEST(FileIndex, OfTypeKeepsOneTopByteAscending) {
  const FileIndex index({keyed(0x08FFFFFF), keyed(0x07FFFFFF), keyed(0x08000000), keyed(0x09000000),
                         keyed(0x08001234), keyed(0x00000008), keyed(0xFFFFFFFF),
                         keyed(0x06000001)});
  const auto ids_of = [&index](std::uint8_t type) {
    std::vector<std::uint32_t> ids;
    for (const auto& [id, e] : index.of_type(type)) ids.push_back(id);
    return ids;
  };
  EXPECT_EQ(ids_of(0x08), (std::vector<std::uint32_t>{0x08000000, 0x08001234, 0x08FFFFFF}));
  EXPECT_EQ(ids_of(0x00), (std::vector<std::uint32_t>{0x00000008}));
  EXPECT_EQ(ids_of(0xFF), (std::vector<std::uint32_t>{0xFFFFFFFF}));
  EXPECT_TRUE(ids_of(0x05).empty());
}

}  // namespace
}  // namespace brackwater::dat
