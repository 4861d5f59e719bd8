#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "brackwater/cli/input_stream.hpp"

namespace brackwater::report {

using cli::InputStream;
using cli::ReadChunk;

// A report's bytes as the JSON parser pulls them: a chunk at a time, with the
// line of the byte read last, and cut off where no report can go on, so a
// file of any size costs a chunk and one token's worth of memory.
class ReportInput {
 public:
  // 2^24 surfaces as the survey writes them, 33 bytes a line, and the braces.
  static constexpr std::uint64_t kMaxBytes = 4 + (std::uint64_t{33} << 24);
  // Far above any key or number of a report, so only junk is cut.
  static constexpr std::size_t kMaxTokenBytes = 65536;

  // NulByte: the parser would take a NUL for the end of the input, so a report
  // followed by one would pass.
  enum class Stop { None, ReadFailed, TooLarge, TokenTooLong, NulByte };

  explicit ReportInput(ReadChunk chunks) : chunks_(std::move(chunks)), buffer_(1 << 16) {}

  // An input iterator over the remaining bytes; every copy shares this position.
  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = char;

    Iterator() = default;
    explicit Iterator(ReportInput* input) : input_(input) {}
    char operator*() const { return input_->current(); }
    Iterator& operator++() {
      input_->advance();
      return *this;
    }
    // Only the end compares: the parser asks nothing else.
    bool operator==(const Iterator& other) const {
      return (input_ == nullptr || input_->at_end()) ==
             (other.input_ == nullptr || other.input_->at_end());
    }

   private:
    ReportInput* input_ = nullptr;
  };

  Iterator begin() { return Iterator(this); }
  static Iterator end() { return Iterator(); }

  // Whether the bytes start with a UTF-8 byte order mark, which a report never has.
  bool starts_with_byte_order_mark();
  // The line of the byte read last, from 1; a line feed counts to the line it ends.
  std::size_t line() const { return 1 + lines_before_last_; }
  Stop stop() const { return stop_; }
  const std::string& read_failure() const { return read_failure_; }

 private:
  // The parser takes every byte through these three, so they stay inline.
  // Of a run of blanks between tokens it sees only the first: it keeps what
  // it reads until the next token, and blanks are no report's content.
  bool at_end() {
    while (true) {
      if (stop_ != Stop::None) return true;
      if (next_ == filled_ && !refill()) return true;
      if (!in_blanks_ || !is_blank(buffer_[next_])) return false;
      newlines_ += buffer_[next_++] == '\n';
    }
  }
  char current() const { return buffer_[next_]; }
  void advance() {
    const char c = buffer_[next_++];
    lines_before_last_ = newlines_;
    newlines_ += c == '\n';
    if (c == '\0') stop_ = Stop::NulByte;
    if (!within_token(c)) stop_ = Stop::TokenTooLong;
    in_blanks_ = !in_string_ && is_blank(c);
  }
  static bool is_blank(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }
  // Whether `c`, outside strings, ends a number or a literal.
  static bool ends_token(char c);

  // Reads the next chunk; false at the end of the input or when it stops.
  bool refill();
  // Counts `c` towards the token it belongs to; false once that is too long.
  bool within_token(char c);

  ReadChunk chunks_;
  std::vector<char> buffer_;
  std::size_t next_ = 0;
  std::size_t filled_ = 0;
  bool exhausted_ = false;
  std::uint64_t total_ = 0;
  std::size_t newlines_ = 0;
  std::size_t lines_before_last_ = 0;
  bool in_string_ = false;
  bool escaped_ = false;
  bool in_blanks_ = false;
  std::size_t token_bytes_ = 0;
  Stop stop_ = Stop::None;
  std::string read_failure_;
};

}  // namespace brackwater::report
