#include "brackwater/cli/progress_line.hpp"

namespace brackwater::cli {

ProgressLine::ProgressLine(std::ostream* terminal, std::string what, std::size_t total,
                           std::chrono::steady_clock::duration interval)
    : terminal_(terminal),
      what_(std::move(what)),
      total_(total),
      interval_(interval),
      next_draw_(std::chrono::steady_clock::now() + interval) {}

ProgressLine::~ProgressLine() {
  if (terminal_ == nullptr || drawn_width_ == 0) return;
  *terminal_ << '\r' + std::string(drawn_width_, ' ') + '\r' << std::flush;
}

void ProgressLine::update(std::size_t done) {
  if (terminal_ == nullptr) return;
  const auto now = std::chrono::steady_clock::now();
  if (now < next_draw_) return;
  next_draw_ = now + interval_;
  // The count only grows, so each line covers the one before.
  const std::string line = what_ + ": " + std::to_string(done) + "/" + std::to_string(total_);
  *terminal_ << '\r' + line << std::flush;
  drawn_width_ = line.size();
}

}  // namespace brackwater::cli
