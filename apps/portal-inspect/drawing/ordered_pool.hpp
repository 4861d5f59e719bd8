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
//
// One job runs on the calling thread alone: handing each item to another
// thread and back would cost two thread wake-ups an item. With more, the
// threads run at most kRunAhead items each beyond the one the calling thread
// waits for, so the results held waiting stay bounded however slow `take` is.
// With 8, exports on two cores left them idle a fifth of the time, the
// workers waiting while the calling thread, sharing the cores, caught up.
inline constexpr std::size_t kRunAhead = 32;

template <class Job, class Result>
void run_in_order(std::size_t count, unsigned jobs, const std::function<Job(std::size_t)>& prepare,
                  const std::function<Result(std::size_t, Job&&)>& work,
                  const std::function<bool(std::size_t, Result&&)>& take) {
  if (jobs <= 1) {
    for (std::size_t i = 0; i < count; ++i) {
      if (!take(i, work(i, prepare(i)))) break;
    }
    return;
  }
  using Ended = std::variant<Result, std::exception_ptr>;
  std::vector<std::optional<Ended>> results(count);
  std::mutex lock;
  std::condition_variable arrived;
  // The item the calling thread waits for: only its arrival wakes it.
  std::size_t awaited = 0;
  // Items taken so far. A thread that finds the run-ahead full waits until
  // `resume_at` items are taken, half the run-ahead later, so that one
  // wake-up starts several items instead of one. Only one thread can wait:
  // it holds `preparing` meanwhile.
  std::size_t taken = 0;
  bool stalled = false;
  std::size_t resume_at = 0;
  std::condition_variable room;
  const std::size_t run_ahead = kRunAhead * jobs;
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
        {
          std::unique_lock results_held(lock);
          if (!stop && next >= taken + run_ahead) {
            stalled = true;
            resume_at = next - run_ahead / 2;
            room.wait(results_held, [&] { return stop || taken >= resume_at; });
            stalled = false;
          }
        }
        if (stop || next >= count) return;
        i = next++;
        try {
          job.emplace(prepare(i));
        } catch (...) {
          outcome.emplace(std::in_place_index<1>, std::current_exception());
        }
      }
      if (!outcome) outcome.emplace(run_one(i, job));
      bool wanted = false;
      {
        const std::scoped_lock held(lock);
        results[i] = std::move(outcome);
        wanted = i == awaited;
      }
      if (wanted) arrived.notify_one();
    }
  };
  std::vector<std::jthread> threads;
  // Whatever ends the loop below, the threads start nothing new and are
  // joined before what they share goes away.
  struct StopOnExit {
    std::atomic<bool>& stop;
    std::mutex& lock;
    std::condition_variable& room;
    std::vector<std::jthread>& threads;
    ~StopOnExit() {
      {
        const std::scoped_lock held(lock);
        stop = true;
      }
      room.notify_all();
      threads.clear();
    }
  } stop_on_exit{stop, lock, room, threads};
  for (unsigned t = 0; t < jobs; ++t) {
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
      awaited = i;
      arrived.wait(held, [&] { return results[i].has_value(); });
      outcome = std::move(results[i]);
      results[i].reset();
    }
    if (auto* failure = std::get_if<1>(&*outcome)) std::rethrow_exception(*failure);
    if (!take(i, std::get<0>(std::move(*outcome)))) break;
    bool resume = false;
    {
      const std::scoped_lock held(lock);
      taken = i + 1;
      resume = stalled && taken >= resume_at;
    }
    if (resume) room.notify_one();
  }
}

}  // namespace brackwater::inspect
