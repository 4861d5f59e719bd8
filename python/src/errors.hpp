#pragma once

#include <cstdint>
#include <expected>
#include <utility>

#include "brackwater/dat/error.hpp"
#include "brackwater/dat/file_type/texture_decode_error.hpp"
#include "brackwater/dat/read_error.hpp"
#include "brackwater/survey/survey_error.hpp"

namespace brackwater::python {

// Each raises the module's exception for the error: str() one plain line,
// `message` the library's text, `causes` the texts below it. A DatError for
// a spent read limit raises ReadLimitError. Call with the GIL held.
[[noreturn]] void raise(const dat::DatError& error);
[[noreturn]] void raise(const dat::ReadError& error);
[[noreturn]] void raise(const dat::TextureDecodeError& error);
// ResolveError: "surface 0x{id} does not resolve", caused by `error`.
[[noreturn]] void raise_unresolved(std::uint32_t surface_id, const survey::SurveyError& error);

template <class Value, class Error>
Value value_or_raise(std::expected<Value, Error> result) {
  if (!result) raise(result.error());
  return std::move(*result);
}

}  // namespace brackwater::python
