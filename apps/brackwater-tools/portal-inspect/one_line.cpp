#include "one_line.hpp"

#include <optional>

namespace brackwater::inspect {
namespace {

// The terminal's bold on and off, around each text of a framed error.
constexpr std::string_view kBold = "\x1b[1m";
constexpr std::string_view kBoldOff = "\x1b[22m";
constexpr std::string_view kCauseLead = "Error: ";

// The text between the next bold-on at or after `from` and its bold-off,
// skipping nested bold-ons; `from` moves past it.
std::optional<std::string_view> next_bold_text(std::string_view text, std::size_t& from) {
  std::size_t start = text.find(kBold, from);
  if (start == text.npos) return std::nullopt;
  while (text.substr(start).starts_with(kBold)) start += kBold.size();
  const std::size_t end = text.find(kBoldOff, start);
  if (end == text.npos) return std::nullopt;
  from = end + kBoldOff.size();
  return text.substr(start, end - start);
}

// "lead, cause, innermost field" of a framed error, when `message` is one.
std::optional<std::string> framed_summary(std::string_view message) {
  const std::size_t box = message.find('\n');
  std::size_t at = box;
  const auto cause = next_bold_text(message, at);
  if (!cause || !cause->starts_with(kCauseLead)) return std::nullopt;
  const auto field = next_bold_text(message, at);
  if (!field || field->empty()) return std::nullopt;
  std::string summary(message.substr(0, box));
  summary.append(cause->substr(kCauseLead.size())).append(", ");
  // "While parsing field ..." reads on from the cause in lower case.
  summary += static_cast<char>(field->front() == 'W' ? 'w' : field->front());
  summary.append(field->substr(1));
  return summary;
}

std::string folded(std::string_view message) {
  std::string out;
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] != '\n') {
      out += message[i];
      continue;
    }
    while (i + 1 < message.size() && (message[i + 1] == ' ' || message[i + 1] == '\n')) ++i;
    if (!out.empty() && i + 1 < message.size()) out += ' ';
  }
  return out;
}

}  // namespace

std::string one_line(std::string_view message) {
  if (message.find('\n') == message.npos) return std::string(message);
  if (auto summary = framed_summary(message)) return *summary;
  return folded(message);
}

}  // namespace brackwater::inspect
