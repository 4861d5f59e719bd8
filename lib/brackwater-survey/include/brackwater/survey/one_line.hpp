#pragma once

#include <string>

#include "brackwater/dat/error.hpp"
#include "brackwater/survey/survey_error.hpp"

namespace brackwater::survey {

// A failure message in one line. A framed record error becomes the words in
// front of it, its cause and its innermost field: "Binary read error: failed
// to fill whole buffer, while parsing field 'height' in Texture". Any other
// text has its line breaks and the indentation after them folded into single
// spaces.
std::string one_line(const dat::DatError& error);
std::string one_line(const SurveyError& error);

}  // namespace brackwater::survey
