#include "brackwater/cli/sizes.hpp"

namespace brackwater::cli {

std::string one_decimal(std::uint64_t amount, std::uint64_t unit) {
  // Whole units and the rest apart, so no 64-bit amount overflows (the rest
  // times ten stays small for any unit below 2^59).
  const std::uint64_t whole = amount / unit;
  const std::uint64_t scaled_rest = amount % unit * 10;
  std::uint64_t tenths = scaled_rest / unit;
  const std::uint64_t beyond = scaled_rest % unit;
  if (2 * beyond > unit || (2 * beyond == unit && tenths % 2 == 1)) ++tenths;
  return std::to_string(whole + tenths / 10) + "." + std::to_string(tenths % 10);
}

}  // namespace brackwater::cli
