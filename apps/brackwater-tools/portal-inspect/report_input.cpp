#include "report_input.hpp"

#include <string_view>

namespace brackwater::inspect {
namespace {

// Bytes that end a number or a literal outside strings.
bool ends_token(char c) {
  return std::string_view(" \t\r\n{}[],:").find(c) != std::string_view::npos;
}

}  // namespace

bool ReportInput::at_end() {
  if (stop_ != Stop::None) return true;
  if (next_ < filled_) return false;
  if (exhausted_) return true;
  auto got = chunks_(buffer_);
  if (!got) {
    stop_ = Stop::ReadFailed;
    read_failure_ = std::move(got.error());
    return true;
  }
  next_ = 0;
  filled_ = *got;
  exhausted_ = *got == 0;
  total_ += *got;
  if (total_ > kMaxBytes) stop_ = Stop::TooLarge;
  return filled_ == 0 || stop_ != Stop::None;
}

void ReportInput::advance() {
  const char c = buffer_[next_++];
  lines_before_last_ = newlines_;
  newlines_ += c == '\n';
  if (c == '\0') stop_ = Stop::NulByte;
  if (!within_token(c)) stop_ = Stop::TokenTooLong;
}

bool ReportInput::within_token(char c) {
  if (in_string_) {
    if (escaped_) {
      escaped_ = false;
    } else if (c == '\\') {
      escaped_ = true;
    } else if (c == '"') {
      in_string_ = false;
    }
    ++token_bytes_;
  } else if (c == '"') {
    in_string_ = true;
    token_bytes_ = 1;
  } else {
    token_bytes_ = ends_token(c) ? 0 : token_bytes_ + 1;
  }
  return token_bytes_ <= kMaxTokenBytes;
}

bool ReportInput::starts_with_byte_order_mark() {
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  if (at_end()) return false;
  return std::string_view(buffer_.data(), filled_).starts_with(kMark);
}

}  // namespace brackwater::inspect
