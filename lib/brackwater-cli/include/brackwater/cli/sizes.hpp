#pragma once

#include <cstdint>
#include <string>

namespace brackwater::cli {

// `amount / unit` with one decimal, rounded half to even on the exact
// quotient: one_decimal(1536, 1024) is "1.5", one_decimal(2560, 1024) "2.5",
// one_decimal(250'000, 1'000'000) "0.2".
std::string one_decimal(std::uint64_t amount, std::uint64_t unit);

}  // namespace brackwater::cli
