#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <expected>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/error.hpp"
#include "brackwater/dat/read_error.hpp"
#include "little_endian.hpp"

namespace test_support {

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

// That of the read error a BinRead wraps; any other error is its whole
// message without frames, so that it never equals a read failure.
inline RecordFailure failure_of(const brackwater::dat::DatError& error) {
  if (const auto* read = error.as<brackwater::dat::DatError::BinRead>()) {
    return failure_of(read->error);
  }
  return {error.message(), {}};
}

// "success", or the text of the error.
template <class T, class Error>
std::string error_text(const std::expected<T, Error>& result) {
  return result ? "success" : result.error().message();
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

inline bool located_in(const brackwater::dat::DatError& error, std::string_view suffix) {
  const auto* read = error.as<brackwater::dat::DatError::BinRead>();
  return read != nullptr && located_in(read->error, suffix);
}

// Every cut of `full` short of the layout's end fails in the field the layout
// names for it, each frame located in the file `source` names.
template <class Unpack>
void expect_every_cut_fails(const Unpack& unpack, brackwater::dat::ByteSpan full,
                            const std::vector<FieldEnd>& layout, std::string_view source) {
  for (std::size_t length = 0; length < layout.back().end; ++length) {
    SCOPED_TRACE(testing::Message() << length << " bytes");
    const auto parsed = unpack(full.first(length));
    ASSERT_FALSE(parsed.has_value());
    EXPECT_EQ(failure_of(parsed.error()), failure_when_cut(layout, length));
    EXPECT_TRUE(located_in(parsed.error(), source));
  }
}

}  // namespace test_support
