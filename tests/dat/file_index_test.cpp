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
  FileIndex index;
  index.insert_or_assign_all(walked);
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
  FileIndex index;
  index.insert_or_assign_all({keyed(7, 1), keyed(3, 1), keyed(9, 1), keyed(3, 2)});
  index.insert_or_assign_all({keyed(9, 3), keyed(5, 3), keyed(9, 4)});
  index.insert_or_assign(5, entry(5, 5));
  index[8] = entry(8, 6);
  index[7].timestamp = 7;
  EXPECT_EQ(ids_in_order(index), (std::vector<std::uint32_t>{3, 5, 7, 8, 9}));
  const std::pair<std::uint32_t, std::uint32_t> tags[] = {{3, 2}, {5, 5}, {7, 7}, {8, 6}, {9, 4}};
  for (const auto& [id, tag] : tags) EXPECT_EQ(index.at(id).timestamp, tag) << id;
}

TEST(FileIndex, EmptyHoldsNothing) {
  FileIndex index;
  index.insert_or_assign_all({});
  EXPECT_TRUE(index.empty());
  EXPECT_EQ(index.find(0), index.end());
  EXPECT_THROW(index.at(0), std::out_of_range);
}

}  // namespace
}  // namespace brackwater::dat
