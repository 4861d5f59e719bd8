#include "brackwater/dat/io_error.hpp"

#include <cerrno>
#include <cstring>

namespace brackwater::dat {

IoError IoError::from_errno(int code) {
  return IoError(Kind::Os, code, nullptr);
}

IoError IoError::fill_whole_buffer() {
  return IoError(Kind::UnexpectedEof, 0, "failed to fill whole buffer");
}

IoError IoError::not_enough_bytes() {
  return IoError(Kind::UnexpectedEof, 0, "not enough bytes in reader");
}

IoError IoError::out_of_memory() {
  return IoError(Kind::OutOfMemory, 0, "memory allocation failed");
}

IoError IoError::changed() {
  return IoError(Kind::Changed, 0, "the file changed while it was read");
}

std::string IoError::message() const {
  if (kind_ != Kind::Os) return fixed_;
  char buffer[256];
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(code_, buffer, sizeof buffer);
  return std::string(text) + " (os error " + std::to_string(code_) + ")";
}

}  // namespace brackwater::dat
