#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <variant>
#include <vector>

namespace brackwater::inspect {

// Runs `work(i, prepare(i))` for every i below `count` on `jobs` threads, and
// hands each result to `take(i, result)` on the calling thread in ascending i,
// as soon as every result before it is in. `prepare` runs one call at a time
// in ascending i, so what it charges or decides never depends on `jobs`;
// neither does what `take` sees. `take` returning false stops the work: items
// not yet started are skipped and no result after that one is taken.
//
// An exception from `prepare` or `work` (std::bad_alloc, say) ends no thread:
// it is thrown again from here, on the calling thread, where its item's result
// would have been taken, once the other threads have stopped.
template <class Job, class Result>
void run_in_order(std::size_t count, unsigned jobs, const std::function<Job(std::size_t)>& prepare,
                  const std::function<Result(std::size_t, Job&&)>& work,
                  const std::function<bool(std::size_t, Result&&)>& take) {
  using Ended = std::variant<Result, std::exception_ptr>;
  std::vector<std::optional<Ended>> results(count);
  std::mutex lock;
  std::condition_variable arrived;
  std::mutex preparing;
  std::size_t next = 0;
  std::atomic<bool> stop{false};

  const auto run_one = [&](std::size_t i, std::optional<Job>& job) -> Ended {
    try {
      return Ended(std::in_place_index<0>, work(i, std::move(*job)));
    } catch (...) {
      return Ended(std::in_place_index<1>, std::current_exception());
    }
  };
  const auto worker = [&] {
    while (!stop.load(std::memory_order_relaxed)) {
      std::size_t i = 0;
      std::optional<Job> job;
      std::optional<Ended> outcome;
      {
        const std::scoped_lock held(preparing);
        if (next >= count) return;
        i = next++;
        try {
          job.emplace(prepare(i));
        } catch (...) {
          outcome.emplace(std::in_place_index<1>, std::current_exception());
        }
      }
      if (!outcome) outcome.emplace(run_one(i, job));
      {
        const std::scoped_lock held(lock);
        results[i] = std::move(outcome);
      }
      arrived.notify_one();
    }
  };
  std::vector<std::jthread> threads;
  // Whatever ends the loop below, the threads start nothing new and are
  // joined before what they share goes away.
  struct StopOnExit {
    std::atomic<bool>& stop;
    std::vector<std::jthread>& threads;
    ~StopOnExit() {
      stop = true;
      threads.clear();
    }
  } stop_on_exit{stop, threads};
  for (unsigned t = 0; t < std::max(jobs, 1u); ++t) {
    // Short of memory for another stack, the threads already started do
    // the work: fewer threads change nothing that is taken.
    try {
      threads.emplace_back(worker);
    } catch (const std::system_error& e) {
      if (threads.empty()) throw std::runtime_error(std::string("start a thread: ") + e.what());
      break;
    }
  }

  for (std::size_t i = 0; i < count; ++i) {
    std::optional<Ended> outcome;
    {
      std::unique_lock held(lock);
      arrived.wait(held, [&] { return results[i].has_value(); });
      outcome = std::move(results[i]);
      results[i].reset();
    }
    if (auto* failure = std::get_if<1>(&*outcome)) std::rethrow_exception(*failure);
    if (!take(i, std::get<0>(std::move(*outcome)))) break;
  }
}

}  // namespace brackwater::inspect
