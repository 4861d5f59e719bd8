#include "report_reader.hpp"

#include <gtest/gtest.h>

#include <string>

namespace brackwater::inspect {
namespace {

TEST(ReportReaderTest, ReadsBackWhatTheSurveyWrites) {
  const tools::ColorMap colors{{0x08000000, {126, 98, 71}}, {0x08FFFFFF, {255, 255, 255}}};
  const auto read = read_report(tools::render_report(colors));
  ASSERT_TRUE(read) << read.error().message;
  EXPECT_EQ(*read, colors);
  EXPECT_EQ(read_report("{\n}\n").value(), tools::ColorMap{});
}

struct BadReport {
  std::string text;
  std::size_t line;
  std::string message;
};

TEST(ReportReaderTest, ShapeFaultsNameTheirLine) {
  const std::string id_form = " is not an id written \"0x\" and eight upper-case hex digits";
  const BadReport cases[] = {
      {"[]", 1, "a report must be an object of surface colours, found an array"},
      {"{\n\"0x0800000a\": [1, 2, 3]}", 2, "key \"0x0800000a\"" + id_form},
      {"{\"0x800000A\": [1, 2, 3]}", 1, "key \"0x800000A\"" + id_form},
      {"{\"0X0800000A\": [1, 2, 3]}", 1, "key \"0X0800000A\"" + id_form},
      {"{\"a\\nb" + std::string(50, 'c') + "\": 1}", 1,
       "key \"a?b" + std::string(37, 'c') + "...\"" + id_form},
      {"{\"0x08000001\":\n \"red\"}", 2,
       "the value of \"0x08000001\" must be [r, g, b], found a string"},
      {"{\"0x08000001\": [1, 2]}", 1,
       "the value of \"0x08000001\" must be [r, g, b], found an array of 2"},
      {"{\"0x08000001\": [1,\n 2,\n 256]}", 3,
       "a colour channel of \"0x08000001\" must be an integer from 0 to 255, found 256"},
      {"{\"0x08000001\": [1, 2.0, 3]}", 1,
       "a colour channel of \"0x08000001\" must be an integer from 0 to 255, found 2.0"},
      {"{\"0x08000001\": [-0, 2, 3]}", 1,
       "a colour channel of \"0x08000001\" must be an integer from 0 to 255, found -0"},
      {"{\"0x08000001\": [1, null, 3]}", 1,
       "a colour channel of \"0x08000001\" must be an integer from 0 to 255, found null"},
      {"{\n\"0x08000001\": [1, 2, 3],\n\"0x08000001\": [1, 2, 3]}", 3,
       "duplicate key \"0x08000001\" (first on line 2)"},
  };
  for (const BadReport& bad : cases) {
    const auto read = read_report(bad.text);
    ASSERT_FALSE(read) << bad.text;
    EXPECT_EQ(read.error().line, bad.line) << bad.text;
    EXPECT_EQ(read.error().message, bad.message) << bad.text;
  }
}

}  // namespace
}  // namespace brackwater::inspect
