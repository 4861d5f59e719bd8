#include "brackwater/survey/one_line.hpp"

#include <optional>
#include <string_view>

#include "brackwater/survey/framed_summary.hpp"

namespace brackwater::survey {
namespace {

std::string summary_line(const FramedSummary& summary) {
  std::string line = summary.lead + summary.cause + ", " + summary.innermost_field;
  // "While parsing field ..." reads on from the cause in lower case.
  const std::size_t field = line.size() - summary.innermost_field.size();
  if (line[field] == 'W') line[field] = 'w';
  return line;
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

template <class Error>
std::string one_line_of(const Error& error) {
  if (const auto summary = framed_summary(error)) return summary_line(*summary);
  return folded(error.message());
}

}  // namespace

std::string one_line(const dat::DatError& error) {
  return one_line_of(error);
}

std::string one_line(const SurveyError& error) {
  return one_line_of(error);
}

}  // namespace brackwater::survey
