#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/read_error.hpp"

namespace test_support {

// 32-bit words as stored: little-endian, back to back.
inline brackwater::dat::Bytes words(std::initializer_list<std::uint32_t> values) {
  brackwater::dat::Bytes out;
  for (const std::uint32_t value : values) {
    for (int shift = 0; shift < 32; shift += 8) {
      out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  }
  return out;
}

// The cause of a fixed-width field that runs past the end of the input.
inline constexpr const char* kEof = "failed to fill whole buffer";

// A record parse failure as text: the cause, then the frame messages, innermost first.
struct RecordFailure {
  std::string cause;
  std::vector<std::string> frames;

  friend bool operator==(const RecordFailure&, const RecordFailure&) = default;
  friend std::ostream& operator<<(std::ostream& out, const RecordFailure& failure) {
    out << '"' << failure.cause << '"';
    for (const std::string& frame : failure.frames) out << " / " << frame;
    return out;
  }
};

inline RecordFailure failure_of(const brackwater::dat::ReadError& error) {
  RecordFailure failure{error.cause_message(), {}};
  for (const auto& frame : error.frames()) failure.frames.push_back(frame.message);
  return failure;
}

// One field of a record layout: the offset where it ends and how an input cut
// before that offset fails.
struct FieldEnd {
  std::size_t end;
  RecordFailure failure;
};

// The failure of an input cut to `length` bytes: that of the first field
// ending beyond it, or nothing when the whole layout fits.
inline RecordFailure failure_when_cut(const std::vector<FieldEnd>& layout, std::size_t length) {
  for (const FieldEnd& field : layout) {
    if (length < field.end) return field.failure;
  }
  return {};
}

// Whether every frame is located in a file whose name ends in `suffix`.
inline bool located_in(const brackwater::dat::ReadError& error, std::string_view suffix) {
  for (const auto& frame : error.frames()) {
    if (!frame.location || !frame.location->file.ends_with(suffix)) return false;
  }
  return true;
}

}  // namespace test_support
