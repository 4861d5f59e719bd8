#include "brackwater/survey/flat_id_map.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>

namespace brackwater::survey {
namespace {

// Inserts, overwrites and erases, with keys crowded into few home slots and
// the key that marks a free slot among them, agree with a standard map after
// every step: an erase that left a gap in a probe run would lose the entries
// beyond it.
TEST(FlatIdMap, AgreesWithAStandardMapThroughInsertsAndErases) {
  FlatIdMap<std::uint32_t> map;
  std::unordered_map<std::uint64_t, std::uint32_t> expected;
  std::mt19937_64 random(7);
  const auto key = [&] {
    const std::uint64_t pick = random() % 300;
    return pick == 0 ? UINT64_MAX : pick << 32 | (pick & 3);
  };
  for (std::uint32_t step = 0; step < 20000; ++step) {
    const std::uint64_t k = key();
    if (random() % 3 == 0) {
      map.erase(k);
      expected.erase(k);
    } else {
      map.insert_or_assign(k, step);
      expected.insert_or_assign(k, step);
    }
    ASSERT_EQ(map.size(), expected.size()) << step;
    if (step % 97 == 0) {
      for (std::uint64_t pick = 0; pick < 300; ++pick) {
        const std::uint64_t probe = pick == 0 ? UINT64_MAX : pick << 32 | (pick & 3);
        const auto want = expected.find(probe);
        const std::uint32_t* got = map.find(probe);
        ASSERT_EQ(got != nullptr, want != expected.end()) << step << " " << probe;
        if (got) {
          EXPECT_EQ(*got, want->second);
        }
      }
    }
  }
}

}  // namespace
}  // namespace brackwater::survey
