#include <gtest/gtest.h>

#include <optional>

#include <cstring>
#include <random>

#include "brackwater/dat/lrs.hpp"
#include "lrs_reference.hpp"

namespace brackwater::dat {
namespace {

Bytes text(const char* s) {
  return Bytes(s, s + std::strlen(s));
}

TEST(DecompressLrs, DecodesTheDocumentedStreams) {
  struct Case {
    const char* what;
    Bytes stream;
    Bytes decoded;
  } cases[] = {
      {"literals then an overlapping back-reference",
       {0x09, 0, 0, 0, 0x10, 0x61, 0x62, 0x63, 0x03, 0x04},
       text("abcabcabc")},
      {"distance beyond the output clamps to the start",
       {0x05, 0, 0, 0, 0x20, 0x61, 0x62, 0x05, 0x01},
       {0x61, 0x62, 0x61, 0x61, 0x61}},
      {"input runs out before the expected size",
       {0x64, 0, 0, 0, 0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x00, 0x69, 0x6A},
       text("abcdefghij")},
      {"expected size reached inside a group",
       {0x03, 0, 0, 0, 0x00, 0x61, 0x62, 0x63, 0x64},
       text("abc")},
      {"back-reference cut off at the expected size",
       {0x05, 0, 0, 0, 0x40, 0x61, 0x01, 0x0F},
       text("aaaaa")},
      {"zero distance ends the stream", {0x09, 0, 0, 0, 0x40, 0x61, 0x00, 0x0F, 0x62}, text("a")},
      {"back-reference missing its second byte", {0x09, 0, 0, 0, 0x40, 0x61, 0x01}, text("a")},
      {"flag byte last, literal bit",
       {0x09, 0, 0, 0, 0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x00},
       text("abcdefgh")},
      {"flag byte last, back-reference bit",
       {0x09, 0, 0, 0, 0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x80},
       text("abcdefgh")},
      {"back-reference before any output ends the stream",
       {0x09, 0, 0, 0, 0x80, 0x01, 0x00, 0x61},
       {}},
      {"size field only", {0x09, 0, 0, 0}, {}},
      {"zero expected size", {0, 0, 0, 0, 0x00, 0x61}, {}},
      {"shorter than a size field", {0x61, 0x62}, {0x61, 0x62}},
      {"empty", {}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decompress_lrs(c.stream), c.decoded) << c.what;
    EXPECT_EQ(test_support::lrs_reference_decode(c.stream), c.decoded) << c.what << " (reference)";
  }
}

// Random token streams: all token kinds, clamped and zero distances, any
// expected size, streams cut anywhere. Long streams drive the fast path,
// their ends and small sizes the careful one.
TEST(DecompressLrs, MatchesTheReferenceOnRandomStreams) {
  std::mt19937 gen(7);
  for (int round = 0; round < 3000; ++round) {
    const std::size_t tokens = gen() % (round % 10 == 0 ? 4000 : 60);
    const auto expected = static_cast<std::uint32_t>(gen() % 3 == 0 ? gen() : gen() % 5000);
    Bytes stream = {static_cast<std::uint8_t>(expected), static_cast<std::uint8_t>(expected >> 8),
                    static_cast<std::uint8_t>(expected >> 16),
                    static_cast<std::uint8_t>(expected >> 24)};
    const int match_odds = static_cast<int>(gen() % 8);  // of 8
    const bool allow_zero = gen() % 4 == 0;
    for (std::size_t t = 0; t < tokens; t += 8) {
      std::uint8_t flags = 0;
      Bytes body;
      for (int bit = 7; bit >= 0; --bit) {
        if (static_cast<int>(gen() % 8) < match_odds) {
          flags = static_cast<std::uint8_t>(flags | 1 << bit);
          const auto distance = static_cast<std::uint32_t>(
              gen() % 4 == 0 ? gen() % 4096 : 1 + gen() % (gen() % 2 ? 8 : 200));
          if (distance == 0 && !allow_zero) {
            body.push_back(1);
          } else {
            body.push_back(static_cast<std::uint8_t>(distance));
          }
          body.push_back(static_cast<std::uint8_t>((distance >> 8) << 4 | gen() % 16));
        } else {
          body.push_back(static_cast<std::uint8_t>('a' + gen() % 6));
        }
      }
      stream.push_back(flags);
      stream.insert(stream.end(), body.begin(), body.end());
    }
    stream.resize(stream.size() - std::min<std::size_t>(stream.size() - 4, gen() % 3));
    ASSERT_EQ(decompress_lrs(stream), test_support::lrs_reference_decode(stream))
        << "round " << round;
  }
}

TEST(DecompressLrs, HugeExpectedSizeReservesOnlyWhatTheInputCanFill) {
  const Bytes stream = {0xFF, 0xFF, 0xFF, 0xFF, 0x40, 0x61, 0x01, 0x0F};
  const Bytes out = decompress_lrs(stream);
  EXPECT_EQ(out, Bytes(18, 0x61));
  EXPECT_LT(out.capacity(), 100u);
}

// The limit is on the output the stream really yields, not on its claim.
TEST(DecompressLrsAtMost, RefusesOnlyAnOutputLongerThanTheLimit) {
  const Bytes abc_thrice = {0x09, 0, 0, 0, 0x10, 0x61, 0x62, 0x63, 0x03, 0x04};
  const Bytes ten_of_hundred = {0x64, 0,    0,    0,    0x00, 0x61, 0x62, 0x63,
                                0x64, 0x65, 0x66, 0x67, 0x68, 0x00, 0x69, 0x6A};
  struct Case {
    const Bytes& stream;
    std::size_t limit;
    std::optional<std::size_t> size;
  };
  const Bytes two = {1, 2};
  for (const Case& c :
       {Case{abc_thrice, 9, 9}, Case{abc_thrice, 8, {}}, Case{ten_of_hundred, 10, 10},
        Case{ten_of_hundred, 9, {}}, Case{two, 2, 2}, Case{two, 1, {}}}) {
    const auto out = decompress_lrs_at_most(c.stream, c.limit);
    ASSERT_EQ(out.has_value(), c.size.has_value()) << c.limit;
    if (out) {
      EXPECT_EQ(out->size(), *c.size);
      EXPECT_EQ(*out, decompress_lrs(c.stream));
    }
  }
}

}  // namespace
}  // namespace brackwater::dat
