#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace brackwater::inspect {

// Runs `work(i)` for every i below `count` on `jobs` threads, and hands each
// result to `take(i, result)` on the calling thread in ascending i, as soon as
// every result before it is in. What `take` sees thus never depends on `jobs`.
// `take` returning false stops the work: items not yet started are skipped
// and no result after that one is taken.
template <class Result>
void run_in_order(std::size_t count, unsigned jobs, const std::function<Result(std::size_t)>& work,
                  const std::function<bool(std::size_t, Result&&)>& take) {
  std::vector<std::optional<Result>> results(count);
  std::mutex lock;
  std::condition_variable arrived;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};

  const auto worker = [&] {
    while (!stop.load(std::memory_order_relaxed)) {
      const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= count) return;
      Result result = work(i);
      {
        const std::scoped_lock held(lock);
        results[i].emplace(std::move(result));
      }
      arrived.notify_one();
    }
  };
  std::vector<std::jthread> threads;
  for (unsigned t = 0; t < std::max(jobs, 1u); ++t) threads.emplace_back(worker);

  for (std::size_t i = 0; i < count; ++i) {
    std::optional<Result> result;
    {
      std::unique_lock held(lock);
      arrived.wait(held, [&] { return results[i].has_value(); });
      result = std::move(results[i]);
      results[i].reset();
    }
    if (!take(i, std::move(*result))) {
      stop = true;
      break;
    }
  }
  // The threads finish the items they hold and join here.
}

}  // namespace brackwater::inspect
