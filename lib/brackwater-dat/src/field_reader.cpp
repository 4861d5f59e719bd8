#include "brackwater/dat/field_reader.hpp"

namespace brackwater::dat {

ContextFrame FieldReader::frame(std::string_view field, const Where& where) const {
  return ContextFrame::field(field, record_, where);
}

ReadError FieldReader::fail(IoError cause, std::string_view field, const Where& where) const {
  return with_context(ReadError(cause), frame(field, where));
}

std::expected<Bytes, ReadError> FieldReader::bytes(std::string_view field, std::size_t count,
                                                   Where where) {
  if (remaining() < count) return std::unexpected(fail(IoError::not_enough_bytes(), field, where));
  const auto* start = bytes_.data() + pos_;
  pos_ += count;
  return Bytes(start, start + count);
}

std::expected<std::vector<std::uint32_t>, ReadError> FieldReader::u32_list(std::string_view field,
                                                                           Where where) {
  const std::size_t count_position = pos_;
  auto count = fixed<std::int32_t>(field, where);
  if (!count) return std::unexpected(std::move(count.error()));
  if (*count < 0) {
    // Reported where the entries would begin, as for a negative byte count.
    auto negative = AssertionFailure::count_out_of_range(*count, pos_);
    pos_ = count_position;
    return std::unexpected(with_context(ReadError(std::move(negative)), frame(field, where)));
  }
  // Checking the whole list against the bytes left gives the same failure as
  // reading entry by entry, without reserving storage for a damaged count.
  const auto entries = static_cast<std::size_t>(*count);
  if (remaining() / 4 < entries) {
    pos_ = count_position;
    return std::unexpected(fail(IoError::fill_whole_buffer(), field, where));
  }
  std::vector<std::uint32_t> list(entries);
  if (entries != 0) std::memcpy(list.data(), bytes_.data() + pos_, entries * 4);
  pos_ += entries * 4;
  return list;
}

}  // namespace brackwater::dat
