#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "brackwater/survey/survey_error.hpp"

namespace brackwater::inspect {

// A surface that does not resolve, and why.
struct SurfaceFailure {
  std::uint32_t id = 0;
  survey::SurveyError error;
};

// Failures of one kind.
struct FailureGroup {
  // The members' failure in one line when they all read the same; otherwise
  // the first one's, with the words that differ between them masked as
  // "{offset}" (after "offset" or "at"), "{id}" (a word of eight upper-case
  // hex digits or one written with "0x"), "{n}" (another number) or "...",
  // and cut short with "..." where they are worded apart.
  std::string label;
  std::vector<std::uint32_t> ids;  // ascending, as given
};

// Failures grouped by what their values say they are: the tool's own words,
// or which library error of which variant, with the fields that tell
// failures of that variant apart (for a framed record read, the record type
// and innermost field and the kind of its cause), never the ids or offsets
// they name. `failures` come in ascending id; the largest group comes
// first, and of equal ones the one whose first surface does.
std::vector<FailureGroup> group_failures(std::span<const SurfaceFailure> failures);

}  // namespace brackwater::inspect
