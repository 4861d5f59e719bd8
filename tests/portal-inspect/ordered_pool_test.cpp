#include "ordered_pool.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <new>
#include <thread>
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
    std::vector<std::size_t> prepared;
    run_in_order<std::size_t, std::size_t>(
        200, jobs,
        [&](std::size_t i) {
          prepared.push_back(i);
          return i;
        },
        [](std::size_t, std::size_t&& i) { return slow_square(i); },
        [&](std::size_t i, std::size_t&& square) {
          EXPECT_EQ(i, taken.size());
          taken.push_back(square);
          return true;
        });
    ASSERT_EQ(prepared.size(), 200u) << jobs;
    for (std::size_t i = 0; i < prepared.size(); ++i) EXPECT_EQ(prepared[i], i) << jobs;
    ASSERT_EQ(taken.size(), 200u) << jobs;
    for (std::size_t i = 0; i < taken.size(); ++i) EXPECT_EQ(taken[i], i * i) << jobs;
  }
}

TEST(RunInOrder, StopsTakingAndStartsNothingNewOnceTakeSaysStop) {
  for (const unsigned jobs : {1u, 3u}) {
    std::atomic<std::size_t> started{0};
    std::vector<std::size_t> taken;
    run_in_order<std::size_t, std::size_t>(
        10'000, jobs, [](std::size_t i) { return i; },
        [&](std::size_t, std::size_t&& i) {
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

// However slowly results are taken, the threads start no more than
// kRunAhead items each beyond the one being taken, so the results waiting
// stay few.
TEST(RunInOrder, RunsABoundedWayAheadOfASlowTake) {
  for (const unsigned jobs : {2u, 4u}) {
    std::atomic<std::size_t> started{0};
    std::size_t most_ahead = 0;
    run_in_order<std::size_t, std::size_t>(
        300, jobs, [](std::size_t i) { return i; },
        [&](std::size_t, std::size_t&& i) {
          ++started;
          return i;
        },
        [&](std::size_t i, std::size_t&&) {
          std::this_thread::sleep_for(std::chrono::microseconds(200));
          most_ahead = std::max(most_ahead, started.load() - i);
          return true;
        });
    EXPECT_LE(most_ahead, kRunAhead * jobs) << jobs;
    EXPECT_GT(most_ahead, 1u) << jobs;
  }
}

TEST(RunInOrder, NothingToDoTakesNothing) {
  bool took = false;
  run_in_order<int, int>(
      0, 2, [](std::size_t) { return 0; }, [](std::size_t, int&&) { return 0; },
      [&](std::size_t, int&&) {
        took = true;
        return true;
      });
  EXPECT_FALSE(took);
}

// A failure in either step reaches the caller at its item, after every
// result before it, whatever thread met it.
TEST(RunInOrder, AnExceptionInAStepIsThrownToTheCallerAtItsItem) {
  for (const bool in_prepare : {true, false}) {
    for (const unsigned jobs : {1u, 3u}) {
      std::vector<std::size_t> taken;
      const auto fail_at_7 = [](std::size_t i) {
        if (i == 7) throw std::bad_alloc();
        return i;
      };
      EXPECT_THROW(
          (run_in_order<std::size_t, std::size_t>(
              100, jobs,
              [&](std::size_t i) { return in_prepare ? fail_at_7(i) : i; },
              [&](std::size_t, std::size_t&& i) { return in_prepare ? i : fail_at_7(i); },
              [&](std::size_t i, std::size_t&&) {
                taken.push_back(i);
                return true;
              })),
          std::bad_alloc)
          << in_prepare << jobs;
      EXPECT_EQ(taken, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6})) << in_prepare << jobs;
    }
  }
}

}  // namespace
}  // namespace brackwater::inspect
