#include "one_line.hpp"

#include <gtest/gtest.h>

#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "brackwater/tools/tool_error.hpp"
#include "record_testing.hpp"

namespace brackwater::inspect {
namespace {

using test_support::words;

std::string surface_failure(const dat::Bytes& bytes) {
  return tools::ToolError::from(dat::Surface::unpack(bytes).error()).message();
}

std::string texture_failure(const dat::Bytes& bytes) {
  return tools::ToolError::from(dat::Texture::unpack(bytes).error()).message();
}

TEST(OneLineTest, FramedErrorsBecomeTheirCauseAndInnermostField) {
  const struct {
    std::string message;
    std::string expected;
  } cases[] = {
      {surface_failure({}),
       "failed to fill whole buffer, while parsing field 'surface_type' in Surface"},
      // Inside TextureRefs: the innermost of the two frames.
      {surface_failure(words({0x2, 0x05000001})),
       "failed to fill whole buffer, while parsing field 'orig_palette_id' in TextureRefs"},
      {texture_failure(words({1, 0, 8})),
       "Binary read error: failed to fill whole buffer, while parsing field 'height' in Texture"},
      // A negative length has no frame: one line already.
      {texture_failure(words({1, 0, 8, 8, 20, 0xFFFFFFFF})),
       "Binary read error: count -1 out of range of usize at 0x18"},
      {"SurfaceTexture has no mips", "SurfaceTexture has no mips"},
      {"first\n    second\n\n    third\n", "first second third"},
  };
  for (const auto& c : cases) EXPECT_EQ(one_line(c.message), c.expected) << c.message;
}

}  // namespace
}  // namespace brackwater::inspect
