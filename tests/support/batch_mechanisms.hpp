#pragma once

#include <gtest/gtest.h>

#include <string>

#include "brackwater/dat/batch_reader.hpp"

namespace test_support {

// Both ways of batching reads, for suites that run once with each: the
// portable one is asked for by name, so it runs even where the ring exists.
inline auto batch_mechanisms() {
  using Mechanism = brackwater::dat::BatchReader::Mechanism;
  return testing::Values(Mechanism::Ring, Mechanism::Advise);
}

inline std::string mechanism_name(
    const testing::TestParamInfo<brackwater::dat::BatchReader::Mechanism>& mechanism) {
  return mechanism.param == brackwater::dat::BatchReader::Mechanism::Ring ? "Ring" : "Advise";
}

}  // namespace test_support
