#include "brackwater/cli/sizes.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace brackwater::cli {
namespace {

TEST(OneDecimal, KilobytesTieToEven) {
  const std::vector<std::pair<std::uint64_t, std::string>> cases = {
      {0, "0.0"},    {51, "0.0"},   {52, "0.1"},         {100, "0.1"},  {256, "0.2"},
      {768, "0.8"},  {1024, "1.0"}, {1536, "1.5"},       {2560, "2.5"}, {2662, "2.6"},
      {1280, "1.2"}, {1792, "1.8"}, {1048576, "1024.0"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(one_decimal(bytes, 1024), text) << bytes;
}

TEST(OneDecimal, MegabytesAndTheLargestAmounts) {
  const std::vector<std::pair<std::uint64_t, std::string>> cases = {
      {0, "0.0"},
      {49'999, "0.0"},
      {50'001, "0.1"},
      {150'000, "0.2"},
      {250'000, "0.2"},
      {139'049'999, "139.0"},
      {UINT64_MAX, "18446744073709.6"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(one_decimal(bytes, 1'000'000), text) << bytes;
}

}  // namespace
}  // namespace brackwater::cli
