#pragma once

#include <string>
#include <vector>

#include "brackwater/dat/error.hpp"
#include "brackwater/dat/file_type/texture_decode_error.hpp"
#include "brackwater/dat/io_error.hpp"
#include "brackwater/dat/read_error.hpp"

namespace brackwater::tools {

// The tools' one general error: a message and the texts of its causes,
// outermost first.
class ToolError {
 public:
  explicit ToolError(std::string message, std::vector<std::string> causes = {})
      : message_(std::move(message)), causes_(std::move(causes)) {}

  // An error that is the library error itself (its message first, then its source).
  static ToolError from(const dat::DatError& error);
  static ToolError from(const dat::ReadError& error);
  static ToolError from(const dat::TextureDecodeError& error);
  // `context` with `cause` and the cause's own chain behind it.
  static ToolError wrap(std::string context, const dat::DatError& cause);
  static ToolError wrap(std::string context, const dat::IoError& cause);

  const std::string& message() const { return message_; }
  const std::vector<std::string>& causes() const { return causes_; }

  // "Error: {message}", then a blank line, "Caused by:" and the causes, one
  // per line (numbered when there are several), ending in a line feed.
  std::string render() const;

 private:
  std::string message_;
  std::vector<std::string> causes_;
};

}  // namespace brackwater::tools
