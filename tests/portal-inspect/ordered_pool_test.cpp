#include "ordered_pool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <vector>

namespace brackwater::inspect {
namespace {

// Early items take longest, so later ones finish first on several threads.
std::size_t slow_square(std::size_t i) {
  volatile std::size_t spin = 0;
  for (std::size_t k = 0; k < (50 - i % 50) * 2000; ++k) spin = spin + k;
  return i * i;
}

TEST(RunInOrder, TakesEveryResultInIndexOrderWhateverTheJobs) {
  for (const unsigned jobs : {1u, 2u, 5u}) {
    std::vector<std::size_t> taken;
    run_in_order<std::size_t>(200, jobs, slow_square, [&](std::size_t i, std::size_t&& square) {
      EXPECT_EQ(i, taken.size());
      taken.push_back(square);
      return true;
    });
    ASSERT_EQ(taken.size(), 200u) << jobs;
    for (std::size_t i = 0; i < taken.size(); ++i) EXPECT_EQ(taken[i], i * i) << jobs;
  }
}

TEST(RunInOrder, StopsTakingAndStartsNothingNewOnceTakeSaysStop) {
  for (const unsigned jobs : {1u, 3u}) {
    std::atomic<std::size_t> started{0};
    std::vector<std::size_t> taken;
    run_in_order<std::size_t>(
        10'000, jobs,
        [&](std::size_t i) {
          ++started;
          return slow_square(i);
        },
        [&](std::size_t i, std::size_t&&) {
          taken.push_back(i);
          return i < 4;
        });
    EXPECT_EQ(taken, (std::vector<std::size_t>{0, 1, 2, 3, 4})) << jobs;
    EXPECT_LT(started.load(), 10'000u) << jobs;
  }
}

TEST(RunInOrder, NothingToDoTakesNothing) {
  bool took = false;
  run_in_order<int>(
      0, 2, [](std::size_t) { return 0; },
      [&](std::size_t, int&&) {
        took = true;
        return true;
      });
  EXPECT_FALSE(took);
}

}  // namespace
}  // namespace brackwater::inspect
