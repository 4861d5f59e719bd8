// Nothing the user owns is lost: no output replaces an input, a failed write
// keeps the old file, and a broken, full or waiting stream ends in an error
// rather than a hang, a signal or a silent success.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "portal_fixture/archive_writer.hpp"
#include "test_records.hpp"
#include "tool_dir.hpp"

namespace {

namespace fs = std::filesystem;
using portal_fixture::ArchiveBuilder;
using test_support::names_in;
using test_support::read_file;
using test_support::run_process;
using test_support::ToolDir;
using test_support::write_text;

// What tintsurvey writes for every_record_archive().
const std::string kReport =
    "{\n"
    "  \"0x08000001\": [51, 102, 153],\n"
    "  \"0x08000002\": [0, 255, 0]\n"
    "}\n";

// A directory with the archive as portal.dat, reached also through a
// symbolic link and a hard link, a report of it, and an empty subdirectory.
class OwnedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write_archive(test_support::every_record_archive());
    fs::create_symlink("portal.dat", dir_ / "link.dat");
    fs::create_hard_link(dir_ / "portal.dat", dir_ / "hard.dat");
    fs::create_directory(dir_ / "sub");
    write_text(dir_ / "report.json", kReport);
    archive_ = read_file(dir_ / "portal.dat");
  }

  ToolDir dir_;
  std::string archive_;
};

// Whether `args` run one of portal-inspect's commands that draw, which a
// build without libpng or nlohmann-json leaves out.
bool draws(const std::vector<std::string>& args) {
  return std::ranges::any_of(args, [](const std::string& arg) {
    return arg == "texture" || arg == "swatch";
  });
}

TEST_F(OwnedFilesTest, AnOutputThatIsAnInputIsRefused) {
  const std::string archive = (dir_ / "portal.dat").string();
  const std::string refused_archive = "\n\nCaused by:\n    the output is the archive being read\n";
  struct Case {
    const char* program;
    std::vector<std::string> args;
    const char* cwd;
    std::string error_end;
  };
  const Case cases[] = {
      {TINTSURVEY_BIN,
       {"--portal-dat", "portal.dat", "--out", "portal.dat"},
       ".",
       "Error: write portal.dat" + refused_archive},
      {TINTSURVEY_BIN,
       {"--portal-dat", "portal.dat", "--out", "link.dat"},
       ".",
       "Error: write link.dat" + refused_archive},
      {TINTSURVEY_BIN,
       {"--portal-dat", "portal.dat", "--out", "hard.dat"},
       ".",
       "Error: write hard.dat" + refused_archive},
      {TINTSURVEY_BIN,
       {"--portal-dat", archive, "--out", "../portal.dat"},
       "sub",
       "Error: write ../portal.dat" + refused_archive},
      {PORTAL_INSPECT_BIN,
       {"portal.dat", "cat", "0x06000001", "--out", "hard.dat"},
       ".",
       "portal-inspect: write hard.dat: the output is the archive being read\n"},
      {PORTAL_INSPECT_BIN,
       {"../portal.dat", "texture", "0x08000002", "--png", "../link.dat"},
       "sub",
       "portal-inspect: write ../link.dat: the output is the archive being read\n"},
      {PORTAL_INSPECT_BIN,
       {"swatch", "report.json", "--png", "report.json"},
       ".",
       "portal-inspect: write report.json: the output is the report being read\n"},
  };
  for (const Case& c : cases) {
    if (!PORTAL_INSPECT_DRAWS && draws(c.args)) continue;
    const std::string what = std::string(c.program) + " " + c.args.back() + " in " + c.cwd;
    const auto run = run_process(c.program, c.args, dir_ / c.cwd);
    EXPECT_EQ(run.status, 1) << what;
    EXPECT_TRUE(run.err.ends_with(c.error_end)) << what << "\n" << run.err;
    EXPECT_EQ(read_file(dir_ / "portal.dat"), archive_) << what;
    EXPECT_EQ(read_file(dir_ / "report.json"), kReport) << what;
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.dat")) << what;
  }
  EXPECT_TRUE(fs::is_empty(dir_ / "sub"));
}

// A command writing many files checks them all first: one of them being an
// input fails the run before anything is written.
TEST_F(OwnedFilesTest, ManyOutputsOneOfThemAnInputWriteNothing) {
  if (!PORTAL_INSPECT_DRAWS) GTEST_SKIP() << "portal-inspect draws nothing in this build";
  struct Case {
    std::vector<std::string> args;
    fs::path input_as_output;  // under out/, a hard link to the input
    std::string input;
    std::string error_end;
  };
  const Case cases[] = {
      {{"portal.dat", "export", "out"}, "0x06000001.png", "portal.dat",
       "write out/0x06000001.png: the output is the archive being read\n"},
      {{"portal.dat", "sheet", "report.json", "--html", "out"}, "index.html", "report.json",
       "write out/index.html: the output is the report being read\n"},
      {{"portal.dat", "sheet", "report.json", "--html", "out"}, "textures/0x06000001.png",
       "portal.dat", "write out/textures/0x06000001.png: the output is the archive being read\n"},
  };
  for (const Case& c : cases) {
    const fs::path out = dir_ / "out";
    fs::create_directories((out / c.input_as_output).parent_path());
    fs::create_hard_link(dir_ / c.input, out / c.input_as_output);
    const auto run = dir_.run(PORTAL_INSPECT_BIN, c.args);
    EXPECT_EQ(run.status, 1) << c.input_as_output;
    EXPECT_TRUE(run.err.ends_with(c.error_end)) << c.input_as_output << "\n" << run.err;
    EXPECT_EQ(names_in(out / c.input_as_output.parent_path()),
              std::vector<std::string>{c.input_as_output.filename().string()})
        << c.input_as_output;
    EXPECT_EQ(read_file(dir_ / "portal.dat"), archive_);
    EXPECT_EQ(read_file(dir_ / "report.json"), kReport);
    fs::remove_all(out);
  }
}

// A directory to write into that is a link to nothing is named as such, not
// as a file that exists.
TEST_F(OwnedFilesTest, ADanglingLinkAsTheDirectoryToWriteIntoIsNamed) {
  if (!PORTAL_INSPECT_DRAWS) GTEST_SKIP() << "portal-inspect draws nothing in this build";
  fs::create_symlink("missing", dir_ / "dangling");
  const auto run = dir_.run(PORTAL_INSPECT_BIN, {"portal.dat", "export", "dangling"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "portal-inspect: create dir dangling: a symbolic link to a path that does not exist\n");
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(OwnedFilesTest, AWriteThatFailsMidwayKeepsTheOldReport) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system takes root";
  // 4000 surfaces make a report of about 116 KiB, more than the 64 KiB mount holds.
  ArchiveBuilder large;
  for (std::uint32_t k = 0; k < 4000; ++k) {
    large.add_file(0x08000000 + k, test_support::solid_surface(0xFF000000 + k));
  }
  dir_.write_archive(large, "large.dat");
  const fs::path small = dir_ / "small";
  fs::create_directory(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  struct Unmount {
    fs::path at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{small};

  ASSERT_EQ(
      dir_.run(TINTSURVEY_BIN, {"--portal-dat", "portal.dat", "--out", "small/report.json"}).status,
      0);
  const auto run =
      dir_.run(TINTSURVEY_BIN, {"--portal-dat", "large.dat", "--out", "small/report.json"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.ends_with(
      "Error: write small/report.json\n\nCaused by:\n    No space left on device (os error 28)\n"))
      << run.err;
  EXPECT_EQ(read_file(small / "report.json"), kReport);
  EXPECT_EQ(names_in(small), std::vector<std::string>{"report.json"});
}

TEST_F(OwnedFilesTest, DevStdoutAppendedToAFileKeepsItsEarlierLines) {
  write_text(dir_ / "log.txt", "an earlier line\n");
  const auto run = run_process(
      "/bin/sh",
      {"-c", "exec \"$0\" --portal-dat portal.dat --out /dev/stdout >> log.txt", TINTSURVEY_BIN},
      dir_.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(read_file(dir_ / "log.txt"), "an earlier line\n" + kReport);
}

// A pipe that nobody reads, or /dev/full, in place of a standard stream.
TEST_F(OwnedFilesTest, BrokenAndFullStreams) {
  const std::string full_stdout = "write standard output: No space left on device (os error 28)\n";
  struct Case {
    std::vector<std::string> args;  // to portal-inspect, or else to tintsurvey
    int stream;
    bool broken_pipe;  // or /dev/full
    int status;
    std::string err;
  };
  const Case cases[] = {
      // Lost progress lines cost nothing: the report is written all the same.
      {{"--portal-dat", "portal.dat", "--out", "out.json"}, STDERR_FILENO, true, 0, ""},
      {{"portal.dat", "ls"},
       STDOUT_FILENO,
       true,
       1,
       "portal-inspect: write standard output: Broken pipe (os error 32)\n"},
      {{"portal.dat", "ls"}, STDOUT_FILENO, false, 1, "portal-inspect: " + full_stdout},
      {{"portal.dat", "errors"}, STDOUT_FILENO, false, 1, "portal-inspect: " + full_stdout},
      {{"portal.dat", "explain", "0x08000001"},
       STDOUT_FILENO,
       false,
       1,
       "portal-inspect: " + full_stdout},
  };
  for (const Case& c : cases) {
    const bool inspect = c.args.front() == "portal.dat";
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    const int replacement = c.broken_pipe ? ends[1] : full;
    const auto run = run_process(inspect ? PORTAL_INSPECT_BIN : TINTSURVEY_BIN, c.args, dir_.path(),
                                 [&] { ::dup2(replacement, c.stream); });
    ::close(ends[1]);
    ::close(full);
    EXPECT_EQ(run.status, c.status) << c.args.back();
    EXPECT_EQ(run.out + run.err, c.err) << c.args.back();
  }
  EXPECT_EQ(read_file(dir_ / "out.json"), kReport);
}

TEST_F(OwnedFilesTest, AFifoWithNobodyAtTheOtherEndFailsInsteadOfWaiting) {
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  const std::string no_reader = "nothing reads from this FIFO: writing would block";
  const std::string unseekable = "IO error: Illegal seek (os error 29)";
  struct Case {
    const char* program;
    std::vector<std::string> args;
    std::string error_end;
  };
  const Case cases[] = {
      {TINTSURVEY_BIN,
       {"--portal-dat", "fifo"},
       "Error: open fifo\n\nCaused by:\n    0: " + unseekable +
           "\n    1: Illegal seek (os error 29)\n"},
      {TINTSURVEY_BIN,
       {"--portal-dat", "portal.dat", "--out", "fifo"},
       "Error: write fifo\n\nCaused by:\n    " + no_reader + "\n"},
      {PORTAL_INSPECT_BIN, {"fifo", "ls"}, "portal-inspect: open fifo: " + unseekable + "\n"},
      {PORTAL_INSPECT_BIN,
       {"portal.dat", "cat", "0x06000001", "--out", "fifo"},
       "portal-inspect: write fifo: " + no_reader + "\n"},
      {PORTAL_INSPECT_BIN,
       {"swatch", "fifo", "--png", "s.png"},
       PORTAL_INSPECT_DRAWS ? "portal-inspect: read fifo: a FIFO with no writer\n" : ""},
      {MKPORTAL_BIN, {"sample", "fifo"}, "mkportal: cannot write fifo: " + no_reader + "\n"},
  };
  for (const Case& c : cases) {
    if (!PORTAL_INSPECT_DRAWS && draws(c.args)) continue;
    const auto run = dir_.run(c.program, c.args);
    EXPECT_EQ(run.status, 1) << c.program << " " << c.args.back();
    EXPECT_TRUE(run.err.ends_with(c.error_end)) << run.err;
  }
}

}  // namespace
