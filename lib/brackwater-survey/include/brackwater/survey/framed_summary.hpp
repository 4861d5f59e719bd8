#pragma once

#include <optional>
#include <string>

#include "brackwater/dat/error.hpp"
#include "brackwater/dat/file_type/texture_decode_error.hpp"
#include "brackwater/dat/read_error.hpp"
#include "brackwater/survey/survey_error.hpp"

namespace brackwater::survey {

// A record read that failed with frames, as a short form shows it: the words
// in front of the framed error ("Binary read error: "), its cause and the
// innermost field that was being read.
struct FramedSummary {
  std::string lead;
  std::string cause;
  std::string innermost_field;
};

// Empty unless what failed is a record read with frames: the error itself,
// the one a DatError wraps, or the read of a palette the conversion fetched.
std::optional<FramedSummary> framed_summary(const dat::ReadError& error);
std::optional<FramedSummary> framed_summary(const dat::DatError& error);
std::optional<FramedSummary> framed_summary(const dat::TextureDecodeError& error);
std::optional<FramedSummary> framed_summary(const SurveyError& error);

}  // namespace brackwater::survey
