#include "brackwater/cli/output_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "temp_dir.hpp"

namespace brackwater::cli {
namespace {

namespace fs = std::filesystem;
using test_support::names_in;
using test_support::read_file;
using test_support::TempDir;
using test_support::write_text;

mode_t permission_bits(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_mode & 07777;
}

TEST(OutputFile, ReplacesThroughALinkKeepingThePermissionBits) {
  TempDir dir;
  write_text(dir / "kept.json", "an old and longer text\n");
  ASSERT_EQ(::chmod((dir / "kept.json").c_str(), 0640), 0);
  fs::create_symlink("kept.json", dir / "link.json");
  const mode_t previous_mask = ::umask(022);

  const std::string text = "new\n";
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  ASSERT_TRUE(write_output_file(dir / "link.json", bytes));
  ASSERT_TRUE(write_output_file(dir / "fresh.json", bytes));
  ::umask(previous_mask);

  EXPECT_TRUE(fs::is_symlink(dir / "link.json"));
  EXPECT_EQ(read_file(dir / "kept.json"), text);
  EXPECT_EQ(permission_bits(dir / "kept.json"), 0640u);
  EXPECT_EQ(permission_bits(dir / "fresh.json"), 0644u);  // 0666 less the mask
}

// A run that fails (or is killed) before the commit leaves what was there.
TEST(OutputFile, UncommittedOutputLeavesNoTrace) {
  TempDir dir;
  write_text(dir / "old.json", "old\n");
  for (const char* name : {"old.json", "new.json"}) {
    auto out = OutputFile::open(dir / name);
    ASSERT_TRUE(out) << out.error().message();
    ASSERT_TRUE(out->write("half of a new text"));
  }
  EXPECT_EQ(read_file(dir / "old.json"), "old\n");
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"old.json"});
}

}  // namespace
}  // namespace brackwater::cli
