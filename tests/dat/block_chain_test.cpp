#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "brackwater/dat/chain_reader.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "portal_fixture/archive_file.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/lrs_encoder.hpp"
#include "random_bytes.hpp"
#include "record_testing.hpp"

namespace brackwater::dat {
namespace {

using portal_fixture::ArchiveBuilder;
using portal_fixture::ArchiveFile;
using portal_fixture::ChainShape;
using test_support::error_text;
using test_support::random_bytes;

constexpr std::uint32_t kPastEnd = 0x7FFFFF00;

DatDatabase open_ok(const ArchiveFile& file) {
  auto db = file.open();
  if (!db) ADD_FAILURE() << db.error().message();
  return std::move(*db);
}

// A 600-byte file in blocks of 256 (data areas of 252): 252 + 252 + 96.
TEST(BlockChain, GathersTheBytesOfEveryChainShape) {
  const Bytes data = random_bytes(600, 1);
  struct Case {
    const char* name;
    ChainShape shape;
  } cases[] = {
      {"three blocks in order", {}},
      {"three blocks back to front", {.reversed = true}},
      {"last link read, not followed", {.links = {{2, kPastEnd}}}},
      {"one block, the rest contiguous", {.blocks = 1}},
      {"two blocks, the rest contiguous", {.blocks = 2, .reversed = true}},
  };
  for (const Case& c : cases) {
    ArchiveBuilder b({.block_size = 256});
    const std::uint32_t offset = b.add_chain(data, c.shape);
    ArchiveFile file(b);
    EXPECT_EQ(open_ok(file).read_file_data(offset, 600), data) << c.name;
  }
}

// Block sizes below 8 put fewer than four bytes of data before each link;
// one above the staging size reads a first chunk apart from its link.
TEST(BlockChain, RoundTripsAnyBlockSizeAndFileSize) {
  for (const std::uint32_t block_size : {5u, 6u, 7u, 8u, 9u, 64u, 1024u, 5000u}) {
    for (const std::size_t size : {1u, 3u, 4u, 5u, 600u, 4096u, 4100u, 12000u}) {
      const Bytes data = random_bytes(size, block_size * 7 + static_cast<unsigned>(size));
      ArchiveBuilder b({.block_size = block_size});
      const std::uint32_t offset = b.add_chain(data);
      ArchiveFile file(b);
      EXPECT_EQ(open_ok(file).read_file_data(offset, static_cast<std::uint32_t>(size)), data)
          << "block size " << block_size << ", " << size << " bytes";
    }
  }
}

// Nothing stops a chain from coming back to a block: its data is read again
// until the size is gathered. A 600-byte file in one self-linked block of 256
// is its 252 bytes, the same 252 again, then their first 96.
TEST(BlockChain, ChainComingBackToABlockReadsItAgain) {
  struct Case {
    const char* what;
    std::uint32_t block_size;
    std::size_t blocks;     // laid out one after another
    std::size_t last_link;  // the last block links back to this one
    std::uint32_t size;
  } cases[] = {
      {"one block linking to itself", 256, 1, 0, 600},
      {"three blocks, the last back to the first", 64, 3, 0, 1000},
      {"six blocks, the last back to the third", 256, 6, 2, 5000},
      {"forty 5-byte blocks, the last back to the second", 5, 40, 1, 3000},
  };
  for (const Case& c : cases) {
    const std::size_t data_area = c.block_size - 4;
    const Bytes data = random_bytes(c.blocks * data_area, c.block_size);
    ArchiveBuilder b({.block_size = c.block_size});
    const std::uint32_t start = b.end();
    const auto block_at = [&](std::size_t k) {
      return static_cast<std::uint32_t>(start + k * c.block_size);
    };
    b.add_chain(data, {.links = {{c.blocks - 1, block_at(c.last_link)}}});
    b.add_chain(Bytes(c.size), {.blocks = 1});  // room for the size in the archive
    Bytes expected;
    for (std::size_t k = 0; expected.size() < c.size; k = k + 1 < c.blocks ? k + 1 : c.last_link) {
      expected.insert(expected.end(), data.begin() + static_cast<std::ptrdiff_t>(k * data_area),
                      data.begin() + static_cast<std::ptrdiff_t>((k + 1) * data_area));
    }
    expected.resize(c.size);
    ArchiveFile file(b);
    EXPECT_EQ(open_ok(file).read_file_data(start, c.size), expected) << c.what;
  }
}

// An archive image in memory that notes where each read starts.
class RecordingSource final : public BlockSource {
 public:
  explicit RecordingSource(Bytes image) : image_(std::move(image)) {}

  std::expected<void, IoError> pread_exact(std::uint8_t* out, std::size_t count,
                                           std::uint64_t offset) const override {
    reads_.push_back(offset);
    if (offset > image_.size() || count > image_.size() - offset) {
      return std::unexpected(IoError::fill_whole_buffer());
    }
    std::copy_n(image_.begin() + static_cast<std::ptrdiff_t>(offset), count, out);
    return {};
  }

  std::uint64_t length() const { return image_.size(); }
  const std::vector<std::uint64_t>& reads() const { return reads_; }

 private:
  Bytes image_;
  mutable std::vector<std::uint64_t> reads_;
};

// A block's link and data come in one read, the rest after an early end in
// one more, and a size the source cannot hold in none; any source of blocks
// serves, not only a file.
TEST(ChainReader, ReadsEachBlockOnceFromAnyBlockSource) {
  const Bytes data = random_bytes(600, 6);
  struct Case {
    const char* what;
    ChainShape shape;
    std::uint32_t size;
    std::vector<std::uint64_t> reads;  // after the chain's offset
  } cases[] = {
      {"three blocks", {}, 600, {0, 256, 512}},
      {"one block, the rest contiguous", {.blocks = 1}, 600, {0, 256}},
      {"one block linking to itself", {.links = {{0, 0}}}, 600, {0, 0, 0}},
      {"more than the source holds", {}, 0x7FFFFFFF, {}},
  };
  for (Case& c : cases) {
    ArchiveBuilder b({.block_size = 256});
    const std::uint32_t offset = b.end();
    for (auto& [block, link] : c.shape.links) link += offset;
    b.add_chain(data, c.shape);
    const RecordingSource source(b.build());
    const auto read = ChainReader(source, 256, source.length()).read(offset, c.size);
    EXPECT_EQ(read.has_value(), !c.reads.empty()) << c.what;
    std::vector<std::uint64_t> expected;
    for (const std::uint64_t at : c.reads) expected.push_back(offset + at);
    EXPECT_EQ(source.reads(), expected) << c.what;
  }
}

TEST(BlockChain, SizeZeroReadsNothingEvenPastTheEnd) {
  ArchiveFile file(ArchiveBuilder{});
  auto read = open_ok(file).read_file_data(kPastEnd, 0);
  ASSERT_TRUE(read) << read.error().message();
  EXPECT_TRUE(read->empty());
}

TEST(BlockChain, EndOfFileInsideAChainIsAnIoError) {
  ArchiveBuilder b({.block_size = 256});
  const Bytes data = random_bytes(600, 3);
  const std::uint32_t linked_away = b.add_chain(data, {.links = {{0, kPastEnd}}});
  const std::uint32_t intact = b.add_chain(data);
  Bytes archive = b.build();
  // Cut the file inside the last chain's third block.
  archive.resize(intact + 2 * 256 + 50);
  ArchiveFile file(archive);
  const DatDatabase db = open_ok(file);

  for (const auto& [offset, what] :
       {std::pair{linked_away, "link past the end"}, std::pair{intact, "data area cut short"},
        std::pair{kPastEnd, "first block past the end"}}) {
    auto read = db.read_file_data(offset, 600);
    EXPECT_EQ(error_text(read), "IO error: failed to fill whole buffer") << what;
    EXPECT_NE(read.error().as<DatError::Io>(), nullptr) << what;
  }
}

// With no room for data a looping chain would never end; it is refused at
// the first chain read, before any read of the file.
TEST(BlockChain, BlockSizeWithoutDataAreaIsCorruption) {
  for (const std::uint32_t block_size : {0u, 3u, 4u}) {
    ArchiveBuilder b({.block_size = 8});
    b.header().block_size = block_size;
    const std::uint32_t self = b.end();
    b.add_chain(random_bytes(600, 4), {.links = {{0, self}}});
    ArchiveFile file(b);
    EXPECT_EQ(error_text(open_ok(file).read_file_data(self, 600)),
              "Corruption detected: block chain at offset 0x" + hex8(self) +
                  " cannot be read: block size " + std::to_string(block_size) +
                  " leaves no room for data");
  }
}

TEST(BlockChain, SizeBeyondTheArchiveEndsLikeAShortFileWithoutAllocating) {
  ArchiveBuilder b;
  const std::uint32_t self = b.end();
  b.add_file(0x06000001, random_bytes(100, 5),
             {.size = 0xFFFFFFFF, .chain = {.links = {{0, self}}}});
  const Bytes archive = b.build();
  ArchiveFile file(archive);
  EXPECT_EQ(error_text(open_ok(file).get_file(0x06000001)),
            "IO error: failed to fill whole buffer");
}

TEST(GetFile, ReturnsStoredOrDecompressedBytesByFlag) {
  const Bytes text = portal_fixture::to_bytes("abcabcabcabcabcabcabc and more abcabc");
  const Bytes short_stream = {0x09, 0x00, 0x00};
  ArchiveBuilder b({.block_size = 64});
  b.add_file(1, text);
  b.add_file(2, text, {.compress = true});
  b.add_file(3, text, {.bit_flags = 0xFFFFFFFE});  // no bit 0: stored as is
  b.add_file(4, short_stream, {.bit_flags = 1});   // too short to hold a size
  b.add_file(5, {}, {.bit_flags = 1});
  ArchiveFile file(b);
  const DatDatabase db = open_ok(file);

  EXPECT_EQ(db.get_file(1), text);
  EXPECT_EQ(db.get_file(2), text);
  EXPECT_NE(db.index().find(2)->second.size, text.size());
  EXPECT_EQ(db.get_file(3), text);
  EXPECT_EQ(db.get_file(4), short_stream);
  EXPECT_EQ(db.get_file(5), Bytes{});
}

TEST(GetFile, AbsentIdIsNotFound) {
  ArchiveBuilder with_files;
  with_files.add_file(0x08000001, portal_fixture::to_bytes("x"));
  ArchiveFile populated(with_files);
  ArchiveFile empty(ArchiveBuilder{});
  for (const ArchiveFile* file : {&populated, &empty}) {
    auto read = open_ok(*file).get_file(0x12AB);
    EXPECT_EQ(error_text(read), "File ID 000012AB not found in provider");
    ASSERT_NE(read.error().as<DatError::NotFound>(), nullptr);
    EXPECT_EQ(read.error().as<DatError::NotFound>()->id, 0x12ABu);
  }
}

}  // namespace
}  // namespace brackwater::dat
