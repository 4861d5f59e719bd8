#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <expected>
#include <source_location>
#include <string_view>
#include <utility>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/read_error.hpp"

namespace brackwater::dat {

// Reads the fields of one record, little-endian, from a byte span, front to
// back. Every read names its field: a failure carries the frame
// "While parsing field '{field}' in {record}", located at the caller's line.
// A failed read leaves the position unchanged, never reads past the span and
// never allocates more than the remaining bytes can fill.
class FieldReader {
 public:
  using Where = std::source_location;

  FieldReader(ByteSpan bytes, std::string_view record) : bytes_(bytes), record_(record) {}

  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }

  // Fixed-width reads are defined here so that parsers inline them: a
  // directory holds 600,000 of them.
  std::expected<std::uint8_t, ReadError> u8(std::string_view field,
                                            Where where = Where::current()) {
    return fixed<std::uint8_t>(field, where);
  }
  std::expected<std::uint32_t, ReadError> u32(std::string_view field,
                                              Where where = Where::current()) {
    return fixed<std::uint32_t>(field, where);
  }
  std::expected<std::int32_t, ReadError> i32(std::string_view field,
                                             Where where = Where::current()) {
    return fixed<std::int32_t>(field, where);
  }
  // `count` raw bytes; too few give "not enough bytes in reader".
  std::expected<Bytes, ReadError> bytes(std::string_view field, std::size_t count,
                                        Where where = Where::current());
  // A signed 32-bit count followed by that many 32-bit words.
  std::expected<std::vector<std::uint32_t>, ReadError> u32_list(std::string_view field,
                                                                Where where = Where::current());

  // A field that is itself a record: `parse(FieldReader&)` reads it from the
  // remaining bytes with `record` as its name; its failure gains this field's
  // frame after its own.
  template <class Parse>
  auto nested(std::string_view field, std::string_view record, Parse&& parse,
              Where where = Where::current()) -> decltype(parse(std::declval<FieldReader&>())) {
    FieldReader inner{bytes_.subspan(pos_), record};
    auto result = std::forward<Parse>(parse)(inner);
    if (!result)
      return std::unexpected(with_context(std::move(result.error()), frame(field, where)));
    pos_ += inner.pos_;
    return result;
  }

 private:
  ContextFrame frame(std::string_view field, const Where& where) const;
  ReadError fail(IoError cause, std::string_view field, const Where& where) const;
  template <class T>
  std::expected<T, ReadError> fixed(std::string_view field, const Where& where) {
    if (remaining() < sizeof(T)) {
      return std::unexpected(fail(IoError::fill_whole_buffer(), field, where));
    }
    T value;
    std::memcpy(&value, bytes_.data() + pos_, sizeof value);
    pos_ += sizeof value;
    return value;
  }

  ByteSpan bytes_;
  std::string_view record_;
  std::size_t pos_ = 0;
};

static_assert(std::endian::native == std::endian::little,
              "stored integers are little-endian and read by memcpy");

// An unaligned little-endian load for decoders that have already checked bounds.
inline std::uint32_t load_u32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace brackwater::dat
