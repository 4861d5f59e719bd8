#include "brackwater/dat/field_reader.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <limits>
#include <new>
#include <optional>
#include <source_location>
#include <string>
#include <vector>

#include "record_testing.hpp"

// The largest single allocation made while a test watches, so a damaged count
// that would reserve gigabytes shows up even where the system overcommits.
namespace {
std::atomic<bool> g_watching{false};
std::atomic<std::size_t> g_largest{0};
}  // namespace

void* operator new(std::size_t size) {
  if (g_watching && size > g_largest) g_largest = size;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// The library's own sorts take temporary buffers through the nothrow form;
// it must come from the same heap as the delete below.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (g_watching && size > g_largest) g_largest = size;
  return std::malloc(size == 0 ? 1 : size);
}
// Out of line, so the optimiser never sees the free() behind a delete and
// mistakes it for a mismatch with the operator new it pairs with.
[[gnu::noinline]] void operator delete(void* p) noexcept {
  std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace brackwater::dat {
namespace {

using test_support::concat;
using test_support::failure_of;
using test_support::kEof;
using test_support::RecordFailure;
using test_support::words;

// Largest allocation made while running `body`.
std::size_t largest_allocation(const std::function<void()>& body) {
  g_largest = 0;
  g_watching = true;
  body();
  g_watching = false;
  return g_largest;
}

TEST(FieldReaderTest, FixedReadsAreLittleEndianAndAdvance) {
  const Bytes data{0x01, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0xAA};
  FieldReader in{data, "Rec"};
  EXPECT_EQ(in.u8("a"), 0x01);
  EXPECT_EQ(in.u32("b"), 0x12345678u);
  EXPECT_EQ(in.i32("c"), -2);
  EXPECT_EQ(in.position(), 9u);
  EXPECT_EQ(in.remaining(), 1u);
}

TEST(FieldReaderTest, ShortFixedReadFailsInItsFieldAndKeepsPosition) {
  const Bytes data{1, 2, 3, 4, 5, 6};
  using Read = std::function<std::optional<ReadError>(FieldReader&)>;
  const auto error_of = [](auto result) -> std::optional<ReadError> {
    if (result) return std::nullopt;
    return result.error();
  };
  const struct {
    std::size_t skip;  // bytes consumed before the failing read
    Read read;
    std::string field;
  } cases[] = {
      {6, [&](FieldReader& in) { return error_of(in.u8("flag")); }, "flag"},
      {3, [&](FieldReader& in) { return error_of(in.u32("width")); }, "width"},
      {5, [&](FieldReader& in) { return error_of(in.i32("height")); }, "height"},
  };
  for (const auto& c : cases) {
    FieldReader in{data, "Texture"};
    ASSERT_TRUE(in.bytes("skip", c.skip));
    const auto error = c.read(in);
    ASSERT_TRUE(error.has_value()) << c.field;
    EXPECT_EQ(failure_of(*error),
              (RecordFailure{kEof, {"While parsing field '" + c.field + "' in Texture"}}));
    EXPECT_EQ(in.position(), c.skip);
  }
}

TEST(FieldReaderTest, FrameLocationIsTheCallingLine) {
  const Bytes data{1};
  FieldReader in{data, "Rec"};
  auto result = in.u32("word");
  const auto line = std::source_location::current().line() - 1;
  ASSERT_FALSE(result);
  const auto& location = result.error().frames().at(0).location;
  ASSERT_TRUE(location.has_value());
  EXPECT_EQ(location->file, std::source_location::current().file_name());
  EXPECT_EQ(location->line, line);
}

TEST(FieldReaderTest, CountedBytesNeedThatManyBytesLeft) {
  const Bytes data{9, 8, 7, 6, 5};
  FieldReader in{data, "Texture"};
  ASSERT_TRUE(in.u8("lead"));
  EXPECT_EQ(in.bytes("empty", 0), Bytes{});
  for (std::size_t count : {std::size_t{5}, std::numeric_limits<std::size_t>::max()}) {
    const std::size_t largest = largest_allocation([&] {
      auto result = in.bytes("source_data", count);
      ASSERT_FALSE(result);
      EXPECT_EQ(failure_of(result.error()),
                (RecordFailure{"not enough bytes in reader",
                               {"While parsing field 'source_data' in Texture"}}));
    });
    EXPECT_LT(largest, 4096u) << count;
    EXPECT_EQ(in.position(), 1u);
  }
  EXPECT_EQ(in.bytes("source_data", 4), (Bytes{8, 7, 6, 5}));
  EXPECT_EQ(in.remaining(), 0u);
}

TEST(FieldReaderTest, CountedListsReadTheirEntries) {
  const struct {
    Bytes data;
    std::vector<std::uint32_t> list;
    std::size_t end;
  } cases[] = {
      {words({0}), {}, 4},
      {concat({words({0}), Bytes{0xEE}}), {}, 4},
      {words({2, 0x06000001, 0x06000002}), {0x06000001, 0x06000002}, 12},
      {concat({words({1, 7}), Bytes{1, 2, 3}}), {7}, 8},
  };
  for (const auto& c : cases) {
    FieldReader in{c.data, "SurfaceTexture"};
    EXPECT_EQ(in.u32_list("textures"), c.list);
    EXPECT_EQ(in.position(), c.end);
  }
}

TEST(FieldReaderTest, DamagedCountsFailWithoutAllocatingOrMoving) {
  const std::string frame = "While parsing field 'colors' in Palette";
  const struct {
    Bytes data;
    std::string cause;
  } cases[] = {
      {Bytes{1, 0, 0}, kEof},
      {concat({words({2, 1}), Bytes{2, 0, 0}}), kEof},
      {words({0x7FFFFFFF, 1}), kEof},
      {words({0xFFFFFFFF, 1}), "count -1 out of range of usize at 0x5"},
      {words({0x80000000}), "count -2147483648 out of range of usize at 0x5"},
  };
  for (const auto& c : cases) {
    // One leading byte so the reported position is not trivially zero.
    const Bytes data = concat({Bytes{0xAB}, c.data});
    FieldReader in{data, "Palette"};
    ASSERT_TRUE(in.u8("id"));
    const std::size_t largest = largest_allocation([&] {
      auto result = in.u32_list("colors");
      ASSERT_FALSE(result);
      EXPECT_EQ(failure_of(result.error()), (RecordFailure{c.cause, {frame}}));
    });
    EXPECT_LT(largest, 4096u) << c.cause;
    EXPECT_EQ(in.position(), 1u);
  }
}

struct Pair {
  std::uint32_t first = 0;
  std::uint32_t second = 0;
};

std::expected<Pair, ReadError> read_pair(FieldReader& in) {
  Pair pair;
  auto first = in.u32("orig_texture_id");
  if (!first) return std::unexpected(std::move(first.error()));
  pair.first = *first;
  auto second = in.u32("orig_palette_id");
  if (!second) return std::unexpected(std::move(second.error()));
  pair.second = *second;
  return pair;
}

TEST(FieldReaderTest, NestedRecordsNameInnerFieldThenOuterField) {
  const Bytes data = concat({words({6, 0x05000001}), Bytes{1, 2}});
  FieldReader in{data, "Surface"};
  ASSERT_TRUE(in.u32("surface_type"));
  auto refs = in.nested("texture_refs", "TextureRefs", read_pair);
  ASSERT_FALSE(refs);
  EXPECT_EQ(failure_of(refs.error()),
            (RecordFailure{kEof,
                           {"While parsing field 'orig_palette_id' in TextureRefs",
                            "While parsing field 'texture_refs' in Surface"}}));
  EXPECT_EQ(in.position(), 4u);
}

TEST(FieldReaderTest, NestedRecordAdvancesPastWhatItRead) {
  const Bytes data = words({0x05000001, 0x04000002, 9});
  FieldReader in{data, "Surface"};
  auto refs = in.nested("texture_refs", "TextureRefs", read_pair);
  ASSERT_TRUE(refs);
  EXPECT_EQ(refs->first, 0x05000001u);
  EXPECT_EQ(refs->second, 0x04000002u);
  EXPECT_EQ(in.position(), 8u);
  EXPECT_EQ(in.u32("translucency"), 9u);
}

}  // namespace
}  // namespace brackwater::dat
