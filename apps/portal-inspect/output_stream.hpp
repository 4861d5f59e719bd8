#pragma once

#include <array>
#include <expected>
#include <optional>
#include <streambuf>

#include "brackwater/cli/output_file.hpp"

namespace brackwater::inspect {

// A stream buffer that writes through an OutputFile and keeps the first
// failure, which an ostream would only show as a bad bit. After a failure
// the rest of the output is dropped.
class OutputStreamBuffer : public std::streambuf {
 public:
  explicit OutputStreamBuffer(cli::OutputFile file);
  OutputStreamBuffer(const OutputStreamBuffer&) = delete;
  OutputStreamBuffer& operator=(const OutputStreamBuffer&) = delete;

  // Why a write failed, once the stream has been flushed.
  const std::optional<cli::OutputError>& failure() const { return failure_; }
  // Writes out what is buffered and puts the file in place; until then a
  // file that replaces another leaves it as it was.
  std::expected<void, cli::OutputError> commit();

 protected:
  int_type overflow(int_type ch) override;
  int sync() override;

 private:
  // Writes out what is buffered; false once a write has failed.
  bool drain();

  cli::OutputFile file_;
  std::optional<cli::OutputError> failure_;
  std::array<char, 1 << 16> buffer_;
};

}  // namespace brackwater::inspect
