#pragma once

// LRS streams for compressed test files.
//
//   Bytes stored = lrs_encode(bytes);           // decompress_lrs(stored) == bytes
//
//   LrsTokenWriter w(9);                        // a stream written token by token:
//   w.literal('a'); w.literal('b'); w.literal('c');
//   w.match(3, 6);                              // 09 00 00 00 10 61 62 63 03 04
//   Bytes stream = w.finish();

#include <cstdint>

#include "brackwater/dat/bytes.hpp"

namespace portal_fixture {

using brackwater::dat::Bytes;
using brackwater::dat::ByteSpan;

// Writes an LRS stream: the u32 expected size, then flag bytes (bit 7 for the
// first of up to eight tokens) each followed by its tokens.
class LrsTokenWriter {
 public:
  explicit LrsTokenWriter(std::uint32_t expected_size);

  void literal(std::uint8_t byte);
  // A back-reference: distance 0 to 4095 (0 is the end marker), length 2 to 17.
  void match(std::uint32_t distance, std::uint32_t length);

  Bytes finish() &&;

 private:
  void start_token(bool is_match);

  Bytes out_;
  std::size_t flag_at_ = 0;
  std::uint8_t mask_ = 0;  // bit of the current flag byte for the next token; 0: start a group
};

// Greedy LRS compression: at each position the longest earlier match within
// reach (3 to 17 bytes, at most 4095 back), else a literal.
Bytes lrs_encode(ByteSpan data);

}  // namespace portal_fixture
