#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "brackwater/survey/report.hpp"
#include "check.hpp"
#include "brackwater/report/report_reader.hpp"

namespace {

using brackwater::cli::InputStream;

// `text` handed out `chunk` bytes at a time, as a pipe gives it.
InputStream served(std::string text, std::size_t chunk) {
  auto at = std::make_shared<std::size_t>(0);
  return InputStream{0, [text = std::move(text), chunk, at](std::span<char> buffer) {
                       const std::size_t n = std::min({chunk, buffer.size(), text.size() - *at});
                       std::copy_n(text.data() + *at, n, buffer.data());
                       *at += n;
                       return std::expected<std::size_t, std::string>(n);
                     }};
}

}  // namespace

// Any bytes, served in chunks of a size the first byte picks: a report read
// back is what the survey would write of it, byte for byte when read again,
// and a fault is one short line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brackwater;
  if (size == 0) return 0;
  const std::size_t chunk = std::size_t{1} + data[0] % 64 * 67;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const auto read = report::read_report("r.json", served(text, chunk));
  if (!read) {
    fuzz::require(read.error().find('\n') == std::string::npos, "a fault is one line");
    fuzz::require(read.error().size() < 400, "a fault quotes no more than a short token");
    return 0;
  }
  const auto again = report::read_report("r.json", served(survey::render_report(*read), chunk));
  fuzz::require(again && *again == *read, "what is read back reads back the same once written");
  return 0;
}
