#include <gtest/gtest.h>

#include <climits>

#include "brackwater/dat/file_type/palette.hpp"
#include "portal_fixture/records.hpp"
#include "record_testing.hpp"

namespace brackwater::dat {
namespace {

using test_support::failure_of;
using test_support::kEof;
using test_support::RecordFailure;
using test_support::words;

const std::string kIdFrame = "While parsing field 'id' in Palette";
const std::string kColorsFrame = "While parsing field 'colors' in Palette";

TEST(PaletteUnpack, ReadsColourWordsAsStored) {
  const Bytes one = {0x01, 0x00, 0x00, 0x04, 0x01, 0x00, 0x00, 0x00, 0x10, 0x20, 0x30, 0x40};
  EXPECT_EQ(Palette::unpack(one), (Palette{0x04000001, {0x40302010}}));

  EXPECT_EQ(Palette::unpack(words({0x04000002, 0})), (Palette{0x04000002, {}}));

  // Bytes after the last colour are ignored.
  EXPECT_EQ(Palette::unpack(words({7, 2, 0xFF000000, 0xFFFFFFFF, 0x12345678})),
            (Palette{7, {0xFF000000, 0xFFFFFFFF}}));
}

TEST(PaletteUnpack, ReadsAFullPaletteToItsLastByte) {
  Palette palette{0x04001000, {}};
  for (std::uint32_t i = 0; i < 256; ++i) palette.colors.push_back(0xFF000000 | i * 0x010101);
  const Bytes bytes = portal_fixture::encode(palette);
  ASSERT_EQ(bytes.size(), 1032u);
  EXPECT_EQ(Palette::unpack(bytes), palette);

  const auto short_one = Palette::unpack(ByteSpan(bytes).first(1031));
  ASSERT_FALSE(short_one.has_value());
  EXPECT_EQ(failure_of(short_one.error()), (RecordFailure{kEof, {kColorsFrame}}));
}

TEST(PaletteUnpack, EveryTruncationNamesTheFieldThatRanOut) {
  test_support::expect_every_cut_fails(Palette::unpack, words({0x04000003, 2, 0x11, 0x22}),
                                       {{4, {kEof, {kIdFrame}}}, {16, {kEof, {kColorsFrame}}}},
                                       "file_type/palette.cpp");
}

TEST(PaletteUnpack, DamagedCountsFailAtTheColorsField) {
  struct Case {
    std::int32_t count;
    std::string cause;
  };
  const Case cases[] = {
      {-1, "count -1 out of range of usize at 0x8"},
      {INT_MIN, "count -2147483648 out of range of usize at 0x8"},
      {INT_MAX, kEof},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    const auto parsed = Palette::unpack(words({1, static_cast<std::uint32_t>(c.count), 0x11}));
    ASSERT_FALSE(parsed.has_value());
    EXPECT_EQ(failure_of(parsed.error()), (RecordFailure{c.cause, {kColorsFrame}}));
  }
}

}  // namespace
}  // namespace brackwater::dat
