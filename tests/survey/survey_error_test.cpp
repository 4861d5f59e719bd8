#include "brackwater/survey/survey_error.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "indent.hpp"

namespace brackwater::survey {
namespace {

using dat::DatError;
using dat::IoError;
using dat::ReadError;

TEST(SurveyErrorRenderTest, LaysOutMessageAndCauses) {
  const auto other = [](std::string what) { return DatError(DatError::Other{std::move(what)}); };
  const struct {
    SurveyError error;
    std::string rendered;
  } cases[] = {
      {SurveyError("top"), "Error: top\n"},
      {SurveyError::wrap("top", IoError::fill_whole_buffer()),
       "Error: top\n\nCaused by:\n    failed to fill whole buffer\n"},
      {SurveyError::wrap("top", other("first\n\nthird")),
       "Error: top\n\nCaused by:\n    Other error: first\n    \n    third\n"},
      {SurveyError::wrap("top", DatError(IoError::fill_whole_buffer())),
       "Error: top\n\nCaused by:\n    0: IO error: failed to fill whole buffer\n"
       "    1: failed to fill whole buffer\n"},
      {SurveyError::wrap("top", DatError(DatError::PathError{"a\nb", IoError::from_errno(ENOENT)})),
       "Error: top\n\nCaused by:\n    0: Failed to open file at a\n       b: No such file or "
       "directory (os error 2)\n    1: No such file or directory (os error 2)\n"},
      // The message itself is not indented.
      {SurveyError::wrap("one\ntwo", IoError::fill_whole_buffer()),
       "Error: one\ntwo\n\nCaused by:\n    failed to fill whole buffer\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.error.render(), c.rendered);
}

TEST(SurveyErrorTest, FromLibraryErrorsKeepsMessageThenSource) {
  const ReadError bare(dat::AssertionFailure{24, "count -1 out of range of usize"});
  const struct {
    SurveyError error;
    std::string message;
    std::vector<std::string> causes;
  } cases[] = {
      {SurveyError::from(DatError(DatError::NotFound{0x0800000A})),
       "File ID 0800000A not found in provider",
       {}},
      {SurveyError::from(DatError(IoError::fill_whole_buffer())),
       "IO error: failed to fill whole buffer",
       {"failed to fill whole buffer"}},
      {SurveyError::from(DatError(DatError::PathError{"/a.dat", IoError::from_errno(ENOENT)})),
       "Failed to open file at /a.dat: No such file or directory (os error 2)",
       {"No such file or directory (os error 2)"}},
      {SurveyError::from(DatError(bare)),
       "Binary read error: count -1 out of range of usize at 0x18",
       {"count -1 out of range of usize at 0x18"}},
      {SurveyError::from(bare), "count -1 out of range of usize at 0x18", {}},
      {SurveyError::from(dat::TextureDecodeError(
           dat::TextureDecodeError::PaletteFetch{0xB0, DatError(DatError::NotFound{0xB0})})),
       "palette fetch failed: 0x000000B0: File ID 000000B0 not found in provider",
       {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.error.message(), c.message);
    EXPECT_EQ(c.error.causes(), c.causes) << c.message;
  }
}

TEST(SurveyErrorTest, WrapPutsTheContextInFrontOfTheWholeChain) {
  const SurveyError missing =
      SurveyError::wrap("open /x/portal.dat",
                      DatError(DatError::PathError{"/x/portal.dat", IoError::from_errno(ENOENT)}));
  EXPECT_EQ(missing.render(),
            "Error: open /x/portal.dat\n"
            "\n"
            "Caused by:\n"
            "    0: Failed to open file at /x/portal.dat: No such file or directory (os error 2)\n"
            "    1: No such file or directory (os error 2)\n");

  EXPECT_EQ(SurveyError::wrap("fetch", DatError(DatError::NotFound{0xB0})).render(),
            "Error: fetch\n\nCaused by:\n    File ID 000000B0 not found in provider\n");
  EXPECT_EQ(SurveyError::wrap("write out.json", IoError::from_errno(ENOSPC)).render(),
            "Error: write out.json\n\nCaused by:\n    No space left on device (os error 28)\n");
}

TEST(SurveyErrorTest, FramedReadErrorStaysInItsColumn) {
  ReadError framed(IoError::fill_whole_buffer());
  framed = dat::with_context(std::move(framed), {"While parsing field 'magic' in DatHeader",
                                                 dat::SourceLocation{"db.cpp", 9}});
  const std::string indented = test_support::indent_following_lines(framed.message(), 7);
  EXPECT_EQ(SurveyError::wrap("open a.dat", DatError(framed)).render(),
            "Error: open a.dat\n\nCaused by:\n    0: Binary read error: " + indented +
                "\n    1: " + indented + "\n");
}

}  // namespace
}  // namespace brackwater::survey
