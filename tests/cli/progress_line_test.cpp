#include "brackwater/cli/progress_line.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

namespace brackwater::cli {
namespace {

TEST(ProgressLine, RedrawsInPlaceAndWipesWhatItDrew) {
  std::ostringstream terminal;
  {
    ProgressLine line(&terminal, "checking", 12, std::chrono::seconds(0));
    line.update(9);
    line.update(10);
  }
  EXPECT_EQ(terminal.str(), "\rchecking: 9/12\rchecking: 10/12\r               \r");

  // Work done within the interval draws nothing, and so wipes nothing.
  std::ostringstream quick;
  {
    ProgressLine line(&quick, "checking", 12, std::chrono::hours(1));
    line.update(5);
  }
  EXPECT_EQ(quick.str(), "");
}

}  // namespace
}  // namespace brackwater::cli
