#include <gtest/gtest.h>

#include "brackwater/dat/file_type/surface.hpp"
#include "portal_fixture/records.hpp"
#include "record_testing.hpp"

namespace brackwater::dat {
namespace {

using test_support::FieldEnd;
using test_support::kEof;
using test_support::words;

// Bits 0x2 and 0x4 alone pick the layout; the same 24 bytes read either way,
// and the solid layout leaves the last word unread.
TEST(SurfaceUnpack, TypeBitsChooseTheLayout) {
  const std::uint32_t textured_types[] = {0x2, 0x4, 0x6, 0xFFFFFFFF};
  const std::uint32_t solid_types[] = {0x0, 0x1, 0x8, 0x10, 0x10001, 0xFFFFFFF9};
  for (const std::uint32_t type : textured_types) {
    SCOPED_TRACE(type);
    const Bytes bytes = words({type, 0x08112233, 0x04445566, 0x3F800000, 0x11, 0x22});
    const Surface expected{type, TextureRefs{0x08112233, 0x04445566}, {}, 0x3F800000, 0x11, 0x22};
    EXPECT_EQ(Surface::unpack(bytes), expected);
  }
  for (const std::uint32_t type : solid_types) {
    SCOPED_TRACE(type);
    const Bytes bytes = words({type, 0x7F112233, 0x3F800000, 0x11, 0x22, 0xDEADBEEF});
    const Surface expected{type, {}, 0x7F112233, 0x3F800000, 0x11, 0x22};
    EXPECT_EQ(Surface::unpack(bytes), expected);
  }
}

TEST(SurfaceUnpack, ReadsWhatTheEncoderWrites) {
  const Surface surfaces[] = {
      {0x2, TextureRefs{0x05000001, 0}, {}, 1, 2, 3},
      {0x10001, {}, 0xFF8040C0, 0, 0, 0},
  };
  for (const Surface& surface : surfaces)
    EXPECT_EQ(Surface::unpack(portal_fixture::encode(surface)), surface);
}

TEST(SurfaceUnpack, EveryTruncationNamesTheFieldThatRanOut) {
  const auto field = [](const char* name) {
    return "While parsing field '" + std::string(name) + "' in Surface";
  };
  const auto ref_field = [](const char* name) -> std::vector<std::string> {
    return {"While parsing field '" + std::string(name) + "' in TextureRefs",
            "While parsing field 'texture_refs' in Surface"};
  };
  struct Layout {
    std::uint32_t type;
    std::vector<FieldEnd> fields;
  };
  const Layout layouts[] = {
      {0x4,
       {{4, {kEof, {field("surface_type")}}},
        {8, {kEof, ref_field("orig_texture_id")}},
        {12, {kEof, ref_field("orig_palette_id")}},
        {16, {kEof, {field("translucency")}}},
        {20, {kEof, {field("luminosity")}}},
        {24, {kEof, {field("diffuse")}}}}},
      {0x1,
       {{4, {kEof, {field("surface_type")}}},
        {8, {kEof, {field("color_value")}}},
        {12, {kEof, {field("translucency")}}},
        {16, {kEof, {field("luminosity")}}},
        {20, {kEof, {field("diffuse")}}}}},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(testing::Message() << "type " << layout.type);
    test_support::expect_every_cut_fails(Surface::unpack, words({layout.type, 1, 2, 3, 4, 5}),
                                         layout.fields, "file_type/surface.cpp");
  }
}

}  // namespace
}  // namespace brackwater::dat
