#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "portal_fixture/archive_writer.hpp"
#include "run_process.hpp"
#include "temp_dir.hpp"

namespace test_support {

// A temporary directory to run the built tools in, with the archives they read.
class ToolDir : public TempDir {
 public:
  ProcessResult run(const std::string& program, const std::vector<std::string>& args) const {
    return run_process(program, args, path());
  }

  void write_archive(const portal_fixture::ArchiveBuilder& archive,
                     const std::string& name = "portal.dat") const {
    const auto written = archive.write(path() / name);
    ASSERT_TRUE(written) << written.error();
  }
};

}  // namespace test_support
