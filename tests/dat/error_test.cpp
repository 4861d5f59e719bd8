#include "brackwater/dat/error.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <type_traits>
#include <vector>

#include "brackwater/dat/display.hpp"
#include "brackwater/dat/io_error.hpp"
#include "brackwater/dat/read_error.hpp"

namespace brackwater::dat {
namespace {

ContextFrame located(std::string message, std::string file, std::uint32_t line) {
  return ContextFrame{std::move(message), SourceLocation{std::move(file), line}};
}

ReadError eof_in(std::vector<ContextFrame> frames) {
  ReadError error(IoError::fill_whole_buffer());
  for (auto& frame : frames) error = with_context(std::move(error), std::move(frame));
  return error;
}

TEST(DatErrorTest, EveryVariantHasItsText) {
  const ReadError count_error(AssertionFailure{24, "count -1 out of range of usize"});
  const struct {
    DatError error;
    std::string text;
  } cases[] = {
      {DatError(IoError::fill_whole_buffer()), "IO error: failed to fill whole buffer"},
      {DatError(IoError::from_errno(EISDIR)), "IO error: Is a directory (os error 21)"},
      {DatError(count_error), "Binary read error: count -1 out of range of usize at 0x18"},
      {DatError(DatError::NotFound{0x12AB}), "File ID 000012AB not found in provider"},
      {DatError(DatError::DuplicateId{0x0800ABCD}), "Duplicate File ID 0800ABCD detected"},
      {DatError(DatError::DuplicateNamespacedId{"portal", 0xB}),
       "Duplicate namespaced file portal:0000000B detected"},
      {DatError(DatError::InvalidMagic{"DAT"}), "Invalid magic for format: DAT"},
      {DatError(DatError::UnsupportedVersion{12}), "Unsupported version: 12"},
      {DatError(DatError::InvalidNamespace{"cell"}), "Invalid namespace: cell"},
      {DatError(DatError::Corruption{"loop in chain"}), "Corruption detected: loop in chain"},
      {DatError(DatError::DecompressionFailed{0x06001234}),
       "Failed to recover compressed file 06001234"},
      {DatError(DatError::PathError{"/no/such.dat", IoError::from_errno(ENOENT)}),
       "Failed to open file at /no/such.dat: No such file or directory (os error 2)"},
      {DatError(DatError::PathError{"caf\xC3\xA9\xFF.dat", IoError::from_errno(EACCES)}),
       "Failed to open file at caf\xC3\xA9\uFFFD.dat: Permission denied (os error 13)"},
      {DatError(DatError::Other{"anything"}), "Other error: anything"},
      {DatError(DatError::Other{DatError::ReadLimitReached{}}),
       "Other error: read limit reached: files read more than the archive holds"},
      {DatError(DatError::Other{DatError::DecodeLimitReached{268435456}}),
       "Other error: decode limit of 268435456 bytes reached"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.error.message(), c.text);
}

// A budget's refusal is known by its type: the same words as text are not one.
TEST(DatErrorTest, ReadLimitIsKnownByTypeNotByText) {
  EXPECT_TRUE(DatError(DatError::Other{DatError::ReadLimitReached{}}).read_limit_reached());
  EXPECT_FALSE(
      DatError(DatError::Other{"read limit reached: files read more than the archive holds"})
          .read_limit_reached());
  EXPECT_FALSE(DatError(IoError::fill_whole_buffer()).read_limit_reached());
}

// So is the decode limit, and neither limit passes for the other.
TEST(DatErrorTest, DecodeLimitIsKnownByTypeNotByText) {
  const DatError decode(DatError::Other{DatError::DecodeLimitReached{9}});
  EXPECT_TRUE(decode.decode_limit_reached());
  EXPECT_FALSE(decode.read_limit_reached());
  EXPECT_FALSE(DatError(DatError::Other{DatError::ReadLimitReached{}}).decode_limit_reached());
  EXPECT_FALSE(DatError(DatError::Other{"decode limit of 9 bytes reached"}).decode_limit_reached());
}

// "none", or which kind of error the source is, with its text.
std::string describe_source(const DatError& error) {
  const DatError::Source source = error.source();
  if (const auto* io = std::get_if<std::reference_wrapper<const IoError>>(&source)) {
    return "io: " + io->get().message();
  }
  if (const auto* read = std::get_if<std::reference_wrapper<const ReadError>>(&source)) {
    return "read: " + read->get().message();
  }
  return "none";
}

TEST(DatErrorTest, SourceIsTheWrappedErrorOnlyForIoPathAndBinRead) {
  const ReadError framed = eof_in({located("While parsing field 'colors' in Palette", "p.cpp", 7)});
  const struct {
    DatError error;
    std::string source;
  } cases[] = {
      {DatError(IoError::fill_whole_buffer()), "io: failed to fill whole buffer"},
      {DatError(DatError::PathError{"/x", IoError::from_errno(ENOENT)}),
       "io: No such file or directory (os error 2)"},
      {DatError(framed), "read: " + framed.message()},
      {DatError(DatError::NotFound{1}), "none"},
      {DatError(DatError::DuplicateId{1}), "none"},
      {DatError(DatError::DuplicateNamespacedId{"portal", 1}), "none"},
      {DatError(DatError::InvalidMagic{"m"}), "none"},
      {DatError(DatError::UnsupportedVersion{1}), "none"},
      {DatError(DatError::InvalidNamespace{"n"}), "none"},
      {DatError(DatError::Corruption{"c"}), "none"},
      {DatError(DatError::DecompressionFailed{1}), "none"},
      {DatError(DatError::Other{"o"}), "none"},
  };
  for (const auto& c : cases) EXPECT_EQ(describe_source(c.error), c.source) << c.error.message();
}

TEST(DatErrorTest, ImplicitConversionsGiveIoAndBinRead) {
  const DatError io = IoError::not_enough_bytes();
  ASSERT_NE(io.as<DatError::Io>(), nullptr);
  EXPECT_EQ(io.as<DatError::Io>()->error.message(), "not enough bytes in reader");

  const DatError read = eof_in({located("While parsing field 'colors' in Palette", "p.cpp", 7)});
  ASSERT_NE(read.as<DatError::BinRead>(), nullptr);
  EXPECT_EQ(read.as<DatError::BinRead>()->error.frames().size(), 1u);

  // Every other variant is built explicitly by whoever detects it.
  static_assert(!std::is_convertible_v<DatError::NotFound, DatError>);
  static_assert(!std::is_convertible_v<DatError::PathError, DatError>);
}

TEST(ReadErrorTest, WithoutFramesTheTextIsTheCauseAlone) {
  const struct {
    ReadError error;
    std::string text;
  } cases[] = {
      {ReadError(IoError::fill_whole_buffer()), "failed to fill whole buffer"},
      {ReadError(IoError::not_enough_bytes()), "not enough bytes in reader"},
      {ReadError(IoError::from_errno(EIO)), "Input/output error (os error 5)"},
      {ReadError(AssertionFailure{24, "count -1 out of range of usize"}),
       "count -1 out of range of usize at 0x18"},
      {ReadError(AssertionFailure{0, "bad"}), "bad at 0x0"},
      {ReadError(AssertionFailure{0xFFFFFFFFFFFFFFFF, "far"}), "far at 0xffffffffffffffff"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.error.message(), c.text);
}

TEST(ReadErrorTest, NestedFramesRenderInnermostFirstAndSkipMissingLocations) {
  ReadError error = eof_in({
      located("While parsing field 'orig_palette_id' in TextureRefs", "src/surface.cpp", 12),
      located("While parsing field 'texture_refs' in Surface", "src/surface.cpp", 40),
  });
  error = with_context(std::move(error), ContextFrame{"unlocated outer", std::nullopt});
  // Bold on (ESC [1m) and off (ESC [22m) around the cause and each message.
  EXPECT_EQ(
      error.message(),
      "\n ╺━━━━━━━━━━━━━━━━━━━━┅ Backtrace ┅━━━━━━━━━━━━━━━━━━━━╸\n\n"
      " 0: \x1b[1m\x1b[1mError: failed to fill whole buffer\x1b[22m\n"
      "           \x1b[1mWhile parsing field 'orig_palette_id' in TextureRefs\x1b[22m\x1b[22m\n"
      "     at src/surface.cpp:12\n"
      " 1: \x1b[1mWhile parsing field 'texture_refs' in Surface\x1b[22m\n"
      "     at src/surface.cpp:40\n"
      " 2: \x1b[1munlocated outer\x1b[22m\n"
      "\n ╺━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━╸\n\n");
  EXPECT_EQ(DatError(error).message(), "Binary read error: " + error.message());
}

TEST(DisplayTest, Utf8LossyReplacesEachMaximalInvalidPiece) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"", ""},
      {"plain/ascii.dat", "plain/ascii.dat"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {"a\x80z", "a\uFFFDz"},                            // lone continuation byte
      {"a\xFFz", "a\uFFFDz"},                            // never a lead byte
      {"\xC0\xAF", "\uFFFD\uFFFD"},                      // overlong lead
      {"\xE2\x82", "\uFFFD"},                            // cut at the end: one piece
      {"\xE2\x82z", "\uFFFDz"},                          // cut before an ASCII byte
      {"\xF0\x9F\x98", "\uFFFD"},                        // four-byte form cut short
      {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},            // surrogate
      {"\xE0\x80\x80", "\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
      {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},          // U+10FFFF itself
      {std::string("a\0b", 3), std::string("a\0b", 3)},  // NUL is valid text
  };
  for (const auto& c : cases) EXPECT_EQ(utf8_lossy(c.in), c.out) << c.in;
}

TEST(DisplayTest, PathsAndIdsDisplay) {
  EXPECT_EQ(display_path(std::filesystem::path("dir/\xFE.dat")), "dir/\uFFFD.dat");
  EXPECT_EQ(hex8(0), "00000000");
  EXPECT_EQ(hex8(0x12AB), "000012AB");
  EXPECT_EQ(hex8(0xDEADBEEF), "DEADBEEF");
}

}  // namespace
}  // namespace brackwater::dat
