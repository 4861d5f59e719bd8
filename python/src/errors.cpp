#include "errors.hpp"

#include <pybind11/stl.h>

#include <string>
#include <vector>

#include "bindings.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/survey/one_line.hpp"

namespace brackwater::python {
namespace {

// The exception classes, created once with the module and kept for the
// life of the process (never released: they may be raised until the end).
struct ExceptionTypes {
  py::handle error;
  py::handle dat_error;
  py::handle read_limit_error;
  py::handle read_error;
  py::handle texture_decode_error;
  py::handle resolve_error;
};
ExceptionTypes types;

py::handle new_type(py::module_& m, const char* name, py::handle base, const char* doc) {
  const std::string qualified = std::string("brackwater_dat.") + name;
  PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, base.ptr(), nullptr);
  if (type == nullptr) throw py::error_already_set();
  m.attr(name) = py::handle(type);
  return type;
}

// The library's texts keep their frames and terminal marks for `message`
// and `causes`, where a script that wants them finds them; str() is the one
// line that logs and tracebacks can show.
[[noreturn]] void raise_with(py::handle type, const std::string& line, const std::string& message,
                             const std::vector<std::string>& causes,
                             const py::dict& attributes = {}) {
  py::object error = type(line);
  py::setattr(error, "message", py::str(message));
  py::setattr(error, "causes", py::tuple(py::cast(causes)));
  for (const auto& [name, value] : attributes) py::setattr(error, name, value);
  PyErr_SetObject(type.ptr(), error.ptr());
  throw py::error_already_set();
}

// As the survey shows a library error that is its own message.
[[noreturn]] void raise_shown(py::handle type, const survey::SurveyError& shown,
                              const py::dict& attributes = {}) {
  raise_with(type, survey::one_line(shown), shown.message(), shown.causes(), attributes);
}

}  // namespace

void bind_errors(py::module_& m) {
  types.error = new_type(m, "Error", PyExc_Exception,
                         "Base of every error this module raises. str() is one plain line; "
                         "`message` is the library's full text and `causes` the texts below it, "
                         "outermost first, as the tools print them.");
  types.dat_error = new_type(m, "DatError", types.error,
                             "An archive operation failed, or a Texture record did not parse.");
  types.read_limit_error =
      new_type(m, "ReadLimitError", types.dat_error,
               "The archive's reads reached its read limit; every later read fails too.");
  types.read_error = new_type(m, "ReadError", types.error,
                              "A record did not parse. `cause` is the innermost failure, "
                              "`frames` the fields being read, innermost first.");
  types.texture_decode_error =
      new_type(m, "TextureDecodeError", types.error, "A texture could not be converted to RGBA8.");
  types.resolve_error = new_type(m, "ResolveError", types.error,
                                 "A surface did not resolve to a colour. `surface_id` is the "
                                 "surface; `causes` hold the library's texts for why.");
}

void raise(const dat::DatError& error) {
  raise_shown(error.read_limit_reached() ? types.read_limit_error : types.dat_error,
              survey::SurveyError::from(error));
}

void raise(const dat::ReadError& error) {
  std::vector<std::string> frames;
  for (const dat::ContextFrame& frame : error.frames()) frames.push_back(frame.message);
  py::dict attributes;
  attributes["cause"] = error.cause_message();
  attributes["frames"] = py::tuple(py::cast(frames));
  raise_shown(types.read_error, survey::SurveyError::from(error), attributes);
}

void raise(const dat::TextureDecodeError& error) {
  raise_shown(types.texture_decode_error, survey::SurveyError::from(error));
}

void raise_unresolved(std::uint32_t surface_id, const survey::SurveyError& error) {
  std::vector<std::string> causes = error.causes();
  causes.insert(causes.begin(), error.message());
  py::dict attributes;
  attributes["surface_id"] = surface_id;
  raise_with(types.resolve_error, survey::one_line(error),
             "surface 0x" + dat::hex8(surface_id) + " does not resolve", causes, attributes);
}

}  // namespace brackwater::python
