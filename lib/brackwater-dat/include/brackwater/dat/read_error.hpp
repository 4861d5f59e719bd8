#pragma once

#include <cstdint>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "brackwater/dat/io_error.hpp"

namespace brackwater::dat {

// Where in this library's source a record field is read.
struct SourceLocation {
  std::string file;
  std::uint32_t line = 0;
};

// One level of context: the field that was being read when a read failed.
struct ContextFrame {
  std::string message;
  std::optional<SourceLocation> location;

  // "While parsing field '{field}' in {record}", located at `where`.
  static ContextFrame field(std::string_view field, std::string_view record,
                            const std::source_location& where);
};

// A value check that failed while decoding, at a byte position of the input.
struct AssertionFailure {
  std::uint64_t position = 0;
  std::string message;

  // A stored count that cannot be a size: "count {count} out of range of usize".
  static AssertionFailure count_out_of_range(std::int32_t count, std::uint64_t position);
};

// The error of decoding a fixed-layout record: the innermost cause plus the
// fields being read at each level of nesting, innermost first.
class ReadError {
 public:
  using Cause = std::variant<IoError, AssertionFailure>;

  explicit ReadError(Cause cause) : cause_(std::move(cause)) {}

  const Cause& cause() const { return cause_; }
  const std::vector<ContextFrame>& frames() const { return frames_; }

  // The cause's text alone without frames; with frames, the boxed backtrace.
  std::string message() const;
  std::string cause_message() const;

  friend ReadError with_context(ReadError error, ContextFrame frame);

 private:
  Cause cause_;
  std::vector<ContextFrame> frames_;
};

// Appends `frame` as the outermost frame of `error`.
ReadError with_context(ReadError error, ContextFrame frame);

}  // namespace brackwater::dat
