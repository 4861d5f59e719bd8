#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tool_dir.hpp"

namespace test_support {

// Suites that run portal-inspect on mkportal's sample archive, written once
// per suite as client_portal.dat.
class InspectSampleSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<ToolDir>();
    const auto made = dir_->run(MKPORTAL_BIN, {"sample", "client_portal.dat"});
    ASSERT_EQ(made.status, 0) << made.err;
  }
  static void TearDownTestSuite() { dir_.reset(); }

  static ProcessResult inspect(std::vector<std::string> args) {
    args.insert(args.begin(), "client_portal.dat");
    return dir_->run(PORTAL_INSPECT_BIN, args);
  }

  static inline std::unique_ptr<ToolDir> dir_;
};

}  // namespace test_support
