#include "brackwater/cli/output_batch.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "temp_dir.hpp"

namespace brackwater::cli {
namespace {

namespace fs = std::filesystem;
using test_support::names_in;
using test_support::read_file;
using test_support::TempDir;
using test_support::write_text;

std::span<const std::uint8_t> bytes_of(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(OutputBatch, PutsNewAndOldFilesInPlaceWithNothingBeside) {
  TempDir dir;
  write_text(dir / "old.png", "an old and longer file\n");
  ASSERT_EQ(::chmod((dir / "old.png").c_str(), 0640), 0);
  OutputBatch batch;
  const std::string text = "new\n";
  ASSERT_TRUE(batch.write(dir / "old.png", bytes_of(text)));
  ASSERT_TRUE(batch.write(dir / "new.png", bytes_of(text)));
  ASSERT_TRUE(batch.finish());

  EXPECT_EQ(read_file(dir / "old.png"), text);
  EXPECT_EQ(read_file(dir / "new.png"), text);
  struct stat info {};
  ASSERT_EQ(::stat((dir / "old.png").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  std::vector<std::string> names = names_in(dir.path());
  std::ranges::sort(names);
  EXPECT_EQ(names, (std::vector<std::string>{"new.png", "old.png"}));
}

TEST(OutputBatch, RefusesAnInputAndLeavesItWhole) {
  TempDir dir;
  write_text(dir / "portal.dat", "archive\n");
  const std::array inputs{InputFile::at(dir / "portal.dat", "archive")};
  OutputBatch batch;
  const auto written = batch.write(dir / "portal.dat", bytes_of("image"), inputs);
  ASSERT_FALSE(written);
  EXPECT_EQ(written.error().message(), "the output is the archive being read");
  EXPECT_EQ(read_file(dir / "portal.dat"), "archive\n");
  EXPECT_TRUE(batch.finish());
}

// A new file is linked under its name at the commit; a file that took the
// name since the open is replaced as any existing file is, not kept.
TEST(OutputBatch, ReplacesAFileThatAppearedAfterTheOpen) {
  TempDir dir;
  for (const auto flush : {OutputFile::Flush::OnCommit, OutputFile::Flush::ByCaller}) {
    auto out = OutputFile::open(dir / "late.png", {}, flush);
    ASSERT_TRUE(out) << out.error().message();
    ASSERT_TRUE(out->write("mine\n"));
    write_text(dir / "late.png", "someone else's\n");
    ASSERT_TRUE(out->commit());
    EXPECT_EQ(read_file(dir / "late.png"), "mine\n");
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"late.png"});
    fs::remove(dir / "late.png");
  }
}

// A run that stops before the commit leaves no file, named or not.
TEST(OutputBatch, UncommittedNewFileLeavesNoTrace) {
  TempDir dir;
  {
    auto out = OutputFile::open(dir / "half.png", {}, OutputFile::Flush::ByCaller);
    ASSERT_TRUE(out) << out.error().message();
    EXPECT_EQ(out->unflushed_target(), dir / "half.png");
    ASSERT_TRUE(out->write("half of an image"));
  }
  EXPECT_TRUE(names_in(dir.path()).empty());
}

TEST(OutputBatch, TakesFilesFromSeveralThreads) {
  TempDir dir;
  fs::create_directory(dir / "a");
  fs::create_directory(dir / "b");
  OutputBatch batch;
  std::vector<std::thread> writers;
  for (const char* sub : {"a", "b"}) {
    writers.emplace_back([&batch, &dir, sub] {
      for (int i = 0; i < 50; ++i) {
        const std::string text = std::to_string(i);
        EXPECT_TRUE(batch.write(dir / sub / (text + ".png"), bytes_of(text)));
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  ASSERT_TRUE(batch.finish());
  for (const char* sub : {"a", "b"}) {
    EXPECT_EQ(names_in(dir / sub).size(), 50u);
    EXPECT_EQ(read_file(dir / sub / "49.png"), "49");
  }
}

}  // namespace
}  // namespace brackwater::cli
