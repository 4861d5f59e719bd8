#include "brackwater/survey/framed_summary.hpp"

#include <type_traits>

namespace brackwater::survey {
namespace {

std::optional<FramedSummary> summary_of(std::string lead, const dat::ReadError& error) {
  if (error.frames().empty()) return std::nullopt;
  return FramedSummary{std::move(lead), error.cause_message(), error.frames().front().message};
}

// The words an error's text puts in front of the text of the error it wraps.
std::string words_in_front(const std::string& text, const std::string& wrapped) {
  return text.substr(0, text.size() - wrapped.size());
}

}  // namespace

std::optional<FramedSummary> framed_summary(const dat::ReadError& error) {
  return summary_of("", error);
}

std::optional<FramedSummary> framed_summary(const dat::DatError& error) {
  const auto* read = error.as<dat::DatError::BinRead>();
  if (!read) return std::nullopt;
  return summary_of(words_in_front(error.message(), read->error.message()), read->error);
}

std::optional<FramedSummary> framed_summary(const dat::TextureDecodeError& error) {
  const auto* fetch = error.as<dat::TextureDecodeError::PaletteFetch>();
  if (!fetch) return std::nullopt;
  return std::visit(
      [&error](const auto& cause) {
        auto summary = framed_summary(cause);
        if (summary) {
          summary->lead = words_in_front(error.message(), cause.message()) + summary->lead;
        }
        return summary;
      },
      fetch->cause);
}

std::optional<FramedSummary> framed_summary(const SurveyError& error) {
  if (error.context()) return std::nullopt;
  return std::visit(
      [](const auto& failure) -> std::optional<FramedSummary> {
        using Type = std::decay_t<decltype(failure)>;
        if constexpr (std::is_same_v<Type, std::string> || std::is_same_v<Type, dat::IoError>) {
          return std::nullopt;
        } else {
          return framed_summary(failure);
        }
      },
      error.failure());
}

}  // namespace brackwater::survey
