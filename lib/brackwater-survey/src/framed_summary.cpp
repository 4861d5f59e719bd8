#include "brackwater/survey/framed_summary.hpp"

#include <string_view>
#include <type_traits>

namespace brackwater::survey {
namespace {

std::optional<FramedSummary> summary_of(std::string lead, const dat::ReadError& error) {
  if (error.frames().empty()) return std::nullopt;
  return FramedSummary{std::move(lead), error.cause_message(), error.frames().front().message};
}

// A palette's failure reaches the tool only as text, since the conversion
// takes its palettes through a fetcher that answers with text. A framed one
// is read back from the bold marks around its cause and its innermost field;
// the tests build that text with the library, so a change of layout shows.
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

std::optional<FramedSummary> read_back(std::string_view text) {
  const std::size_t box = text.find('\n');
  if (box == text.npos) return std::nullopt;
  std::size_t at = box;
  const auto cause = next_bold_text(text, at);
  if (!cause || !cause->starts_with(kCauseLead)) return std::nullopt;
  const auto field = next_bold_text(text, at);
  if (!field || field->empty()) return std::nullopt;
  return FramedSummary{std::string(text.substr(0, box)),
                       std::string(cause->substr(kCauseLead.size())), std::string(*field)};
}

}  // namespace

std::optional<FramedSummary> framed_summary(const dat::DatError& error) {
  const auto* read = error.as<dat::DatError::BinRead>();
  if (!read) return std::nullopt;
  // The library's words for the variant, in front of the read error's own text.
  const std::string text = error.message();
  return summary_of(text.substr(0, text.size() - read->error.message().size()), read->error);
}

std::optional<FramedSummary> framed_summary(const SurveyError& error) {
  if (error.context()) return std::nullopt;
  return std::visit(
      [](const auto& failure) -> std::optional<FramedSummary> {
        using Type = std::decay_t<decltype(failure)>;
        if constexpr (std::is_same_v<Type, dat::DatError>) {
          return framed_summary(failure);
        } else if constexpr (std::is_same_v<Type, dat::ReadError>) {
          return summary_of("", failure);
        } else if constexpr (std::is_same_v<Type, dat::TextureDecodeError>) {
          if (!failure.template is<dat::TextureDecodeError::PaletteFetch>()) return std::nullopt;
          return read_back(failure.message());
        } else {
          return std::nullopt;
        }
      },
      error.failure());
}

}  // namespace brackwater::survey
