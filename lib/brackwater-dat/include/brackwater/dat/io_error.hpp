#pragma once

#include <string>

namespace brackwater::dat {

// An I/O failure: either an operating-system error code, or a fixed message
// for data that ended too early.
class IoError {
 public:
  enum class Kind { Os, UnexpectedEof, OutOfMemory, Changed };

  static IoError from_errno(int code);
  // A fixed-width field (1, 2 or 4 bytes) needs more bytes than remain.
  static IoError fill_whole_buffer();
  // A counted run of raw bytes needs more bytes than remain.
  static IoError not_enough_bytes();
  static IoError out_of_memory();
  // The file is not as it was when opened: it ends before a length it had
  // then, or what fstat tells of it differs.
  static IoError changed();

  Kind kind() const { return kind_; }
  // "{strerror} (os error {code})" for OS errors, the fixed message otherwise.
  std::string message() const;

 private:
  IoError(Kind kind, int code, const char* fixed) : kind_(kind), code_(code), fixed_(fixed) {}

  Kind kind_;
  int code_;
  const char* fixed_;
};

}  // namespace brackwater::dat
