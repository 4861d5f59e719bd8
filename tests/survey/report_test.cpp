#include "brackwater/survey/report.hpp"

#include <gtest/gtest.h>

#include <string>

namespace brackwater::survey {
namespace {

const ColorMap kTwoEntries = {{0x08FFFFFF, Rgb{255, 255, 255}}, {0x08000000, Rgb{126, 98, 71}}};

TEST(RenderReport, ExactText) {
  struct Case {
    ColorMap colors;
    std::string text;
  };
  const Case cases[] = {
      {{}, "{\n}\n"},
      {{{0x0800ABCD, Rgb{0, 7, 10}}}, "{\n  \"0x0800ABCD\": [0, 7, 10]\n}\n"},
      {kTwoEntries,
       "{\n"
       "  \"0x08000000\": [126, 98, 71],\n"
       "  \"0x08FFFFFF\": [255, 255, 255]\n"
       "}\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(render_report(c.colors), c.text);
}

}  // namespace
}  // namespace brackwater::survey
