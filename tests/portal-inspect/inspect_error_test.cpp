#include "inspect_error.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "brackwater/dat/file_type/surface.hpp"

namespace brackwater::inspect {
namespace {

TEST(InspectError, ALineIsTheContextThenTheFailureInOneLine) {
  const struct {
    InspectError error;
    std::string line;
  } cases[] = {
      {InspectError("no file 0x07000000 in the archive"), "no file 0x07000000 in the archive"},
      {InspectError("open a.dat", dat::DatError(dat::DatError::PathError{
                                      "a.dat", dat::IoError::from_errno(ENOENT)})),
       "open a.dat: Failed to open file at a.dat: No such file or directory (os error 2)"},
      {InspectError("surface 0x08000005 does not resolve",
                    survey::SurveyError::from(dat::Surface::unpack({}).error())),
       "surface 0x08000005 does not resolve: failed to fill whole buffer, while parsing field "
       "'surface_type' in Surface"},
      {InspectError("read r.json", dat::IoError::from_errno(EISDIR)),
       "read r.json: Is a directory (os error 21)"},
      {InspectError("write x.png", cli::OutputError{0, "the output is the report being read"}),
       "write x.png: the output is the report being read"},
      {InspectError("encode PNG", std::string("image too large")), "encode PNG: image too large"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.error.line(), c.line);
}

TEST(TerminalSafe, EscapesControlCharactersAndNothingElse) {
  const struct {
    std::string text;
    std::string shown;
  } cases[] = {
      // Tab, UTF-8 text, a lone byte above the C1 range and a backslash stay.
      {"a\tb caf\xC3\xA9 \xE2\x94\x81 \xFF \\x1b", "a\tb caf\xC3\xA9 \xE2\x94\x81 \xFF \\x1b"},
      {"a\x1b[2Jb", "a\\x1b[2Jb"},
      {std::string("nul\0line\nfeed\r\x7f", 15), "nul\\x00line\\x0afeed\\x0d\\x7f"},
      // C1 as a character, and as a byte that is no part of one.
      {"csi \xC2\x9Bm", "csi \\u{9b}m"},
      {"csi \x9Bm \xE2\x9B", "csi \\x9bm \xE2\\x9b"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(terminal_safe(c.text), c.shown) << c.shown;
}

}  // namespace
}  // namespace brackwater::inspect
