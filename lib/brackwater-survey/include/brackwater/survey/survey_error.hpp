#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "brackwater/dat/error.hpp"
#include "brackwater/dat/file_type/texture_decode_error.hpp"
#include "brackwater/dat/io_error.hpp"
#include "brackwater/dat/read_error.hpp"

namespace brackwater::survey {

// The survey's one general error: what failed, kept as the library's error value
// (or the tool's own words), and the context the tool put in front of it.
// Texts are made only when the error is shown.
class SurveyError {
 public:
  using Failure = std::variant<std::string, dat::DatError, dat::ReadError, dat::TextureDecodeError,
                               dat::IoError>;

  explicit SurveyError(std::string message) : failure_(std::move(message)) {}

  // An error that is the library error itself (its message first, then its source).
  static SurveyError from(const dat::DatError& error) { return SurveyError(std::nullopt, error); }
  static SurveyError from(const dat::ReadError& error) { return SurveyError(std::nullopt, error); }
  static SurveyError from(const dat::TextureDecodeError& error) {
    return SurveyError(std::nullopt, error);
  }
  // `context` with `cause` and the cause's own chain behind it.
  static SurveyError wrap(std::string context, const dat::DatError& cause);
  static SurveyError wrap(std::string context, const dat::IoError& cause);
  static SurveyError wrap(std::string context, std::string cause);

  const std::optional<std::string>& context() const { return context_; }
  const Failure& failure() const { return failure_; }

  // The context, or else the failure's own text.
  std::string message() const;
  // The texts below the message, outermost first.
  std::vector<std::string> causes() const;

  // "Error: {message}", then a blank line, "Caused by:" and the causes, one
  // per line (numbered when there are several), ending in a line feed.
  std::string render() const;

 private:
  SurveyError(std::optional<std::string> context, Failure failure)
      : failure_(std::move(failure)), context_(std::move(context)) {}

  // The failure's text, then its source's, if it has one.
  std::vector<std::string> chain() const;

  Failure failure_;
  std::optional<std::string> context_;
};

}  // namespace brackwater::survey
