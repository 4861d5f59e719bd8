#include "brackwater/dat/batch_reader.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "batch_mechanisms.hpp"
#include "temp_dir.hpp"

namespace brackwater::dat {
namespace {

using Mechanism = BatchReader::Mechanism;

constexpr std::size_t kFileSize = 3 * 4096 + 100;

Bytes pattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

// What one plain read of the request gives: the reference a batch must match.
ReadOutcome read_alone(const PosixFile& file, const ReadRequest& request) {
  Bytes bytes(request.size);
  if (auto read = file.pread_exact(bytes.data(), bytes.size(), request.offset); !read) {
    return std::unexpected(read.error());
  }
  return bytes;
}

std::string describe(const ReadOutcome& outcome) {
  if (!outcome) return "error: " + outcome.error().message();
  return std::to_string(outcome->size()) + " bytes";
}

class BatchReaderTest : public testing::TestWithParam<Mechanism> {
 protected:
  void SetUp() override { test_support::write_file(dir_ / "file", pattern(kFileSize)); }

  PosixFile open() const {
    auto file = PosixFile::open_read_only(dir_ / "file");
    if (!file) ADD_FAILURE() << file.error().message();
    return std::move(*file);
  }

  test_support::TempDir dir_;
};

// Reads that end inside, at and past the end of the file, empty ones, and
// more than the ring holds at once, in an order the file does not have.
TEST_P(BatchReaderTest, GivesWhatPlainReadsGiveForEveryRequest) {
  const PosixFile file = open();
  std::vector<ReadRequest> requests{
      {0, 1024},        {kFileSize - 10, 10}, {kFileSize - 10, 11}, {kFileSize, 1},
      {kFileSize, 0},   {1u << 30, 4},        {1u << 30, 0},        {4090, 12},
      {0, kFileSize},   {100, 0},
  };
  for (std::size_t i = 0; i < 3 * BatchReader::kDepth; ++i) {
    requests.push_back({(i * 1237) % kFileSize, 1 + i % 900});
  }
  const BatchReader reader(file, GetParam());
  // The portable path is taken when asked for, whatever the kernel offers,
  // so the suite covers it on every machine.
  if (GetParam() == Mechanism::Advise) {
    EXPECT_EQ(reader.mechanism(), Mechanism::Advise);
  }
  const std::vector<ReadOutcome> got = reader.read(requests);
  ASSERT_EQ(got.size(), requests.size());
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const ReadOutcome want = read_alone(file, requests[i]);
    EXPECT_EQ(describe(got[i]), describe(want)) << "request " << i;
    if (got[i] && want) {
      EXPECT_EQ(*got[i], *want) << "request " << i;
    }
  }
  // A reader serves batch after batch.
  const std::vector<ReadOutcome> again = reader.read(std::span(requests).first(2));
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(*again[1], *read_alone(file, requests[1]));
  EXPECT_TRUE(reader.read({}).empty());
}

// A file just written is in the page cache; past its end there is nothing to
// read, in memory or not.
TEST(PosixFileInMemory, TellsWrittenBytesFromThePastTheEnd) {
  test_support::TempDir dir;
  test_support::write_file(dir / "file", pattern(kFileSize));
  auto file = PosixFile::open_read_only(dir / "file");
  ASSERT_TRUE(file) << file.error().message();
  EXPECT_TRUE(file->in_memory(0));
  EXPECT_TRUE(file->in_memory(kFileSize - 1));
  EXPECT_FALSE(file->in_memory(kFileSize));
  EXPECT_FALSE(file->in_memory(1u << 30));
}

INSTANTIATE_TEST_SUITE_P(Mechanisms, BatchReaderTest, test_support::batch_mechanisms(),
                         test_support::mechanism_name);

}  // namespace
}  // namespace brackwater::dat
