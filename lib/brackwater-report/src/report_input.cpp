#include "brackwater/report/report_input.hpp"

#include <string_view>

namespace brackwater::report {

bool ReportInput::ends_token(char c) {
  return is_blank(c) || std::string_view("{}[],:").find(c) != std::string_view::npos;
}

bool ReportInput::refill() {
  if (exhausted_) return false;
  auto got = chunks_(buffer_);
  if (!got) {
    stop_ = Stop::ReadFailed;
    read_failure_ = std::move(got.error());
    return false;
  }
  next_ = 0;
  filled_ = *got;
  exhausted_ = *got == 0;
  total_ += *got;
  if (total_ > kMaxBytes) stop_ = Stop::TooLarge;
  return filled_ != 0 && stop_ == Stop::None;
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

}  // namespace brackwater::report
