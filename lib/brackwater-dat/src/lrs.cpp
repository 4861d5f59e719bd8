#include "brackwater/dat/lrs.hpp"

#include <algorithm>
#include <cstring>
#include <limits>

#include "brackwater/dat/field_reader.hpp"

namespace brackwater::dat {
namespace {

// Stream layout: a u32 expected size, then groups of one flag byte and up to
// eight tokens, bit 7 of the flag describing the first. A 0 bit is a literal
// byte; a 1 bit a back-reference b0, b1 with distance b0 | (b1 >> 4) << 8
// (0 ends the stream) and length (b1 & 0x0F) + 2.
constexpr std::size_t kSizeField = 4;
constexpr std::size_t kMaxMatch = 17;
constexpr std::size_t kGroupInput = 1 + 8 * 2;
constexpr std::size_t kGroupOutput = 8 * kMaxMatch;
// Match copies move whole 8-byte words and may write this far past their end.
constexpr std::size_t kSlack = 8;
// The output grows (and is zero-filled) this much at a time, so a stream that
// ends long before its expected size touches only the memory it filled.
constexpr std::size_t kGrowth = 64 * 1024;

struct Match {
  std::size_t distance;
  std::size_t length;
};

// The back-reference whose two bytes start at `at`.
Match match_at(ByteSpan stream, std::size_t at) {
  const std::uint8_t b0 = stream[at];
  const std::uint8_t b1 = stream[at + 1];
  return {b0 | static_cast<std::size_t>(b1 >> 4) << 8, static_cast<std::size_t>(b1 & 0x0F) + 2};
}

// A zero distance ends the stream; with nothing decoded yet there is no byte
// to copy from, so that ends it too.
bool can_copy(const Match& match, std::size_t decoded) {
  return match.distance != 0 && decoded != 0;
}

class Decoder {
 public:
  Decoder(ByteSpan stream, std::size_t limit) : in_(stream), limit_(limit) {
    out_.reserve(limit + kSlack);
  }

  Bytes run() && {
    bool go_on = true;
    while (go_on && in_.size() - pos_ >= kGroupInput && limit_ - length_ > kGroupOutput) {
      make_room(kGroupOutput);
      go_on = whole_group();
    }
    if (go_on) tail();
    out_.resize(length_);
    // Only a damaged stream ends far short of the room it was given.
    if (out_.capacity() - length_ > length_) out_.shrink_to_fit();
    return std::move(out_);
  }

 private:
  // One group whose tokens are all present and whose output cannot reach the
  // limit, so no token needs a bounds check. False when the stream ends.
  bool whole_group() {
    const std::uint8_t flags = in_[pos_++];
    if (flags == 0) {
      std::memcpy(out_.data() + length_, in_.data() + pos_, 8);
      length_ += 8;
      pos_ += 8;
      return true;
    }
    for (int bit = 7; bit >= 0; --bit) {
      if (((flags >> bit) & 1) == 0) {
        out_[length_++] = in_[pos_++];
        continue;
      }
      const Match match = match_at(in_, pos_);
      if (!can_copy(match, length_)) return false;
      pos_ += 2;
      copy(match.distance, match.length);
    }
    return true;
  }

  // The rest of the stream, token by token, stopping at the limit or at the
  // first token that would need bytes past the end of the input.
  void tail() {
    std::uint8_t flags = 0;
    std::uint8_t mask = 0;
    while (pos_ < in_.size()) {
      if (mask == 0) {
        flags = in_[pos_++];
        mask = 0x80;
      }
      if ((flags & mask) != 0) {
        if (in_.size() - pos_ < 2) return;
        const Match match = match_at(in_, pos_);
        if (!can_copy(match, length_)) return;
        pos_ += 2;
        make_room(kMaxMatch);
        copy(match.distance, std::min(match.length, limit_ - length_));
      } else {
        if (pos_ == in_.size()) return;
        make_room(1);
        out_[length_++] = in_[pos_++];
      }
      if (length_ == limit_) return;
      mask = static_cast<std::uint8_t>(mask >> 1);
    }
  }

  // Makes sure `count` more bytes (and the copy slack after them) fit in the
  // output's filled part, growing it by at least kGrowth within the reservation.
  void make_room(std::size_t count) {
    const std::size_t needed = length_ + count + kSlack;
    if (needed <= out_.size()) return;
    out_.resize(std::min(out_.capacity(), std::max(needed, out_.size() + kGrowth)));
  }

  // Appends `count` bytes taken from `distance` back, byte by byte in effect:
  // a copy may overlap the bytes it writes.
  void copy(std::size_t distance, std::size_t count) {
    std::uint8_t* out = out_.data();
    if (distance > length_) {
      // Too far back: the source clamps to the first byte until the output
      // has grown past the distance.
      for (std::size_t k = 0; k < count; ++k, ++length_) {
        out[length_] = out[length_ > distance ? length_ - distance : 0];
      }
      return;
    }
    std::uint8_t* dest = out + length_;
    const std::uint8_t* source = dest - distance;
    if (distance >= 8) {
      for (std::size_t k = 0; k < count; k += 8) std::memcpy(dest + k, source + k, 8);
    } else if (distance == 1) {
      std::memset(dest, *source, count);
    } else {
      for (std::size_t k = 0; k < count; ++k) dest[k] = source[k];
    }
    length_ += count;
  }

  ByteSpan in_;
  std::size_t pos_ = 0;
  std::size_t limit_;
  Bytes out_;
  std::size_t length_ = 0;
};

}  // namespace

namespace {

// The stream decoded up to `limit` output bytes.
Bytes decode_up_to(ByteSpan data, std::size_t limit) {
  if (data.size() < kSizeField) return Bytes(data.begin(), data.end());
  const std::uint32_t expected = load_u32(data.data());
  const ByteSpan stream = data.subspan(kSizeField);
  if (expected == 0 || stream.empty()) return {};
  // No stream yields more than kMaxMatch bytes for every two stored bytes, so
  // a damaged expected size reserves no more than that; the output is filled
  // as decoding goes, and a stream that ends early holds only what it wrote.
  const std::size_t most = (stream.size() / 2 + 1) * kMaxMatch;
  return Decoder(stream, std::min({std::size_t{expected}, most, limit})).run();
}

}  // namespace

Bytes decompress_lrs(ByteSpan data) {
  return decode_up_to(data, std::numeric_limits<std::size_t>::max());
}

std::optional<Bytes> decompress_lrs_at_most(ByteSpan data, std::size_t limit) {
  // One byte past the limit tells an output that would be longer from one
  // that ends exactly at it.
  Bytes out = decode_up_to(data, std::min(limit, std::numeric_limits<std::size_t>::max() - 1) + 1);
  if (out.size() > limit) return std::nullopt;
  return out;
}

}  // namespace brackwater::dat
