#include "brackwater/dat/read_error.hpp"

#include <cstdio>

namespace brackwater::dat {
namespace {

constexpr std::string_view kBoldOn = "\x1b[1m";
constexpr std::string_view kBoldOff = "\x1b[22m";

std::string repeat(std::string_view unit, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += unit;
  return out;
}

const std::string& backtrace_header() {
  static const std::string header = "\n \u257A" + repeat("\u2501", 20) + "\u2505 Backtrace \u2505" +
                                    repeat("\u2501", 20) + "\u2578\n\n";
  return header;
}

const std::string& backtrace_footer() {
  static const std::string footer = "\n \u257A" + repeat("\u2501", 53) + "\u2578\n\n";
  return footer;
}

}  // namespace

ContextFrame ContextFrame::field(std::string_view field, std::string_view record,
                                 const std::source_location& where) {
  std::string message = "While parsing field '";
  message.append(field).append("' in ").append(record);
  return ContextFrame{std::move(message), SourceLocation{where.file_name(), where.line()}};
}

AssertionFailure AssertionFailure::count_out_of_range(std::int32_t count, std::uint64_t position) {
  return AssertionFailure{position, "count " + std::to_string(count) + " out of range of usize"};
}

std::string ReadError::cause_message() const {
  if (const auto* io = std::get_if<IoError>(&cause_)) return io->message();
  const auto& assertion = std::get<AssertionFailure>(cause_);
  char position[32];
  std::snprintf(position, sizeof position, " at 0x%llx",
                static_cast<unsigned long long>(assertion.position));
  return assertion.message + position;
}

std::string ReadError::message() const {
  if (frames_.empty()) return cause_message();
  std::string out = backtrace_header();
  for (std::size_t i = 0; i < frames_.size(); ++i) {
    const ContextFrame& frame = frames_[i];
    out.append(" ").append(std::to_string(i)).append(": ").append(kBoldOn);
    if (i == 0) {
      out.append(kBoldOn).append("Error: ").append(cause_message()).append(kBoldOff);
      out.append("\n").append(11, ' ').append(kBoldOn).append(frame.message).append(kBoldOff);
    } else {
      out.append(frame.message);
    }
    out.append(kBoldOff).append("\n");
    if (frame.location) {
      out.append("     at ").append(frame.location->file).append(":");
      out.append(std::to_string(frame.location->line)).append("\n");
    }
  }
  out += backtrace_footer();
  return out;
}

ReadError with_context(ReadError error, ContextFrame frame) {
  error.frames_.push_back(std::move(frame));
  return error;
}

}  // namespace brackwater::dat
