#pragma once

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

namespace brackwater::cli {

// "{what}: {done}/{total}" on a terminal, redrawn in place at most every
// `interval` and wiped when the work is done, so the terminal is left as if
// it had never been there. A run shorter than `interval` draws nothing.
class ProgressLine {
 public:
  // `terminal` is null when standard error is not a terminal: logs and pipes
  // get nothing.
  ProgressLine(std::ostream* terminal, std::string what, std::size_t total,
               std::chrono::steady_clock::duration interval = std::chrono::milliseconds(100));
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // `done` never goes down.
  void update(std::size_t done);

 private:
  std::ostream* terminal_;
  std::string what_;
  std::size_t total_;
  std::chrono::steady_clock::duration interval_;
  std::chrono::steady_clock::time_point next_draw_;
  std::size_t drawn_width_ = 0;  // of the line on screen; 0 before the first draw
};

}  // namespace brackwater::cli
