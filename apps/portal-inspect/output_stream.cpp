#include "output_stream.hpp"

#include <string_view>

namespace brackwater::inspect {

OutputStreamBuffer::OutputStreamBuffer(cli::OutputFile file) : file_(std::move(file)) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

bool OutputStreamBuffer::drain() {
  const std::string_view pending(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  if (failure_) return false;
  if (auto written = file_.write(pending); !written) failure_ = written.error();
  return !failure_;
}

OutputStreamBuffer::int_type OutputStreamBuffer::overflow(int_type ch) {
  if (!drain()) return traits_type::eof();
  if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
  *pptr() = traits_type::to_char_type(ch);
  pbump(1);
  return ch;
}

std::expected<void, cli::OutputError> OutputStreamBuffer::commit() {
  if (!drain()) return std::unexpected(*failure_);
  return file_.commit();
}

int OutputStreamBuffer::sync() {
  return drain() ? 0 : -1;
}

}  // namespace brackwater::inspect
