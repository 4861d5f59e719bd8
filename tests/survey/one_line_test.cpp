#include "brackwater/survey/one_line.hpp"

#include <gtest/gtest.h>

#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "record_testing.hpp"

namespace brackwater::survey {
namespace {

using test_support::words;

std::string surface_failure(const dat::Bytes& bytes) {
  return one_line(SurveyError::from(dat::Surface::unpack(bytes).error()));
}

std::string texture_failure(const dat::Bytes& bytes) {
  return one_line(dat::Texture::unpack(bytes).error());
}

// A palette's failure as the resolution hands it over through the fetcher.
std::string palette_fetch_failure(const dat::Bytes& bytes) {
  return one_line(SurveyError::from(dat::TextureDecodeError(
      dat::TextureDecodeError::PaletteFetch{0xABD, dat::Palette::unpack(bytes).error()})));
}

TEST(OneLineTest, FramedErrorsBecomeTheirCauseAndInnermostField) {
  const struct {
    std::string line;
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
      {palette_fetch_failure({0xBD, 0x0A, 0, 0, 9, 0}),
       "palette fetch failed: 0x00000ABD: failed to fill whole buffer, while parsing field "
       "'colors' in Palette"},
      // A framed error behind a palette's DatError keeps both leads.
      {one_line(SurveyError::from(dat::TextureDecodeError(dat::TextureDecodeError::PaletteFetch{
           0xABD, dat::Texture::unpack(words({1, 0, 8})).error()}))),
       "palette fetch failed: 0x00000ABD: Binary read error: failed to fill whole buffer, while "
       "parsing field 'height' in Texture"},
      {one_line(SurveyError("SurfaceTexture has no mips")), "SurfaceTexture has no mips"},
      {one_line(SurveyError("first\n    second\n\n    third\n")), "first second third"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.line, c.expected);
}

}  // namespace
}  // namespace brackwater::survey
