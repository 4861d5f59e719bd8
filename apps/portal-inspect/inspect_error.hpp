#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "brackwater/cli/output_file.hpp"
#include "brackwater/dat/error.hpp"
#include "brackwater/dat/io_error.hpp"
#include "brackwater/survey/survey_error.hpp"

namespace brackwater::inspect {

// Why a command failed, kept as values until main prints it: what the tool
// was doing, if it says ("open portal.dat"), and the failure itself, the
// library's error or the tool's own words.
class InspectError {
 public:
  using Failure =
      std::variant<std::string, survey::SurveyError, dat::DatError, dat::IoError, cli::OutputError>;

  // The tool's own words, with nothing in front.
  InspectError(std::string words) : failure_(std::move(words)) {}    // NOLINT
  InspectError(const char* words) : failure_(std::string(words)) {}  // NOLINT
  InspectError(std::string context, Failure failure)
      : context_(std::move(context)), failure_(std::move(failure)) {}

  const std::string& context() const { return context_; }
  const Failure& failure() const { return failure_; }

  // "{context}: {failure}", or the failure alone, in one line: a library
  // error as survey::one_line words it.
  std::string line() const;

 private:
  std::string context_;
  Failure failure_;
};

// `text` safe to print on a terminal: each control character but tab (C0,
// DEL and C1, and a byte of the C1 range that is no part of a UTF-8
// character) is written as an escape, "\x1b" or "\u{9b}". Text without
// them is returned unchanged.
std::string terminal_safe(std::string_view text);

}  // namespace brackwater::inspect
