#include <gtest/gtest.h>

#include <climits>

#include "brackwater/dat/file_type/surface_texture.hpp"
#include "portal_fixture/records.hpp"
#include "record_testing.hpp"

namespace brackwater::dat {
namespace {

using test_support::concat;
using test_support::failure_of;
using test_support::FieldEnd;
using test_support::kEof;
using test_support::RecordFailure;
using test_support::words;

const std::string kTexturesFrame = "While parsing field 'textures' in SurfaceTexture";

// id, unknown_int, unknown_byte, then `count` at the unaligned offset 9.
Bytes head(std::int32_t count) {
  return concat(
      {words({0x05000010, 0xFFFFFFFE}), {0x7E}, words({static_cast<std::uint32_t>(count)})});
}

TEST(SurfaceTextureUnpack, ReadsTheCountRightAfterTheSingleByte) {
  struct Case {
    const char* name;
    Bytes bytes;
    std::vector<std::uint32_t> textures;
  };
  const Case cases[] = {
      {"no mips", head(0), {}},
      {"three mips",
       concat({head(3), words({0x05000001, 0x05000002, 0x05000003})}),
       {0x05000001, 0x05000002, 0x05000003}},
      {"trailing bytes", concat({head(1), words({0x05000009, 0xAAAAAAAA})}), {0x05000009}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SurfaceTexture expected{0x05000010, 0xFFFFFFFE, 0x7E, c.textures};
    EXPECT_EQ(SurfaceTexture::unpack(c.bytes), expected);
  }
}

TEST(SurfaceTextureUnpack, ReadsWhatTheEncoderWrites) {
  const SurfaceTexture record{0x05001234, 7, 2, {0x06000001, 0x06000002}};
  EXPECT_EQ(SurfaceTexture::unpack(portal_fixture::encode(record)), record);
}

TEST(SurfaceTextureUnpack, EveryTruncationNamesTheFieldThatRanOut) {
  const auto field = [](const char* name) -> RecordFailure {
    return {kEof, {"While parsing field '" + std::string(name) + "' in SurfaceTexture"}};
  };
  const std::vector<FieldEnd> layout = {
      {4, field("id")},
      {8, field("unknown_int")},
      {9, field("unknown_byte")},
      {25, field("textures")},
  };
  test_support::expect_every_cut_fails(SurfaceTexture::unpack, concat({head(3), words({1, 2, 3})}),
                                       layout, "file_type/surface_texture.cpp");
}

// A count no input can hold fails without reserving for it; a negative one
// names the count's own offset.
TEST(SurfaceTextureUnpack, DamagedCountsFailAtTheTexturesField) {
  struct Case {
    std::int32_t count;
    std::string cause;
  };
  const Case cases[] = {
      {-1, "count -1 out of range of usize at 0xd"},
      {INT_MIN, "count -2147483648 out of range of usize at 0xd"},
      {INT_MAX, kEof},
      {3, kEof},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    const auto parsed = SurfaceTexture::unpack(concat({head(c.count), words({1, 2})}));
    ASSERT_FALSE(parsed.has_value());
    EXPECT_EQ(failure_of(parsed.error()), (RecordFailure{c.cause, {kTexturesFrame}}));
  }
}

}  // namespace
}  // namespace brackwater::dat
