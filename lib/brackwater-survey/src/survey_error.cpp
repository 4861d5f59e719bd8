#include "brackwater/survey/survey_error.hpp"

#include <cstdio>
#include <string_view>
#include <type_traits>


namespace brackwater::survey {
namespace {

// The texts of a library error and of its source, if it has one.
std::vector<std::string> dat_error_chain(const dat::DatError& error) {
  std::vector<std::string> texts{error.message()};
  std::visit(
      [&texts](const auto& source) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(source)>, std::monostate>) {
          texts.push_back(source.get().message());
        }
      },
      error.source());
  return texts;
}

// Appends `text` with every line after its first indented by `indent` spaces,
// empty lines included, so a multi-line cause stays in its column.
void append_indented(std::string& out, std::string_view text, std::size_t indent) {
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string_view::npos;
       end = text.find('\n', start)) {
    out.append(text.substr(start, end + 1 - start)).append(indent, ' ');
    start = end + 1;
  }
  out.append(text.substr(start));
}

}  // namespace

SurveyError SurveyError::wrap(std::string context, const dat::DatError& cause) {
  return SurveyError(std::move(context), cause);
}

SurveyError SurveyError::wrap(std::string context, const dat::IoError& cause) {
  return SurveyError(std::move(context), cause);
}

SurveyError SurveyError::wrap(std::string context, std::string cause) {
  return SurveyError(std::move(context), std::move(cause));
}

std::vector<std::string> SurveyError::chain() const {
  return std::visit(
      [](const auto& failure) -> std::vector<std::string> {
        using Type = std::decay_t<decltype(failure)>;
        if constexpr (std::is_same_v<Type, std::string>) {
          return {failure};
        } else if constexpr (std::is_same_v<Type, dat::DatError>) {
          return dat_error_chain(failure);
        } else {
          return {failure.message()};
        }
      },
      failure_);
}

std::string SurveyError::message() const {
  return context_ ? *context_ : chain().front();
}

std::vector<std::string> SurveyError::causes() const {
  std::vector<std::string> texts = chain();
  if (!context_) texts.erase(texts.begin());
  return texts;
}

std::string SurveyError::render() const {
  const std::vector<std::string> below = causes();
  std::string out = "Error: " + message() + "\n";
  if (!below.empty()) {
    out += "\nCaused by:";
    const bool numbered = below.size() > 1;
    for (std::size_t i = 0; i < below.size(); ++i) {
      out += '\n';
      if (numbered) {
        char number[32];
        std::snprintf(number, sizeof number, "%5zu: ", i);
        out += number;
      } else {
        out += std::string(4, ' ');
      }
      append_indented(out, below[i], numbered ? 7 : 4);
    }
    out += '\n';
  }
  return out;
}

}  // namespace brackwater::survey
