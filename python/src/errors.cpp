#include "errors.hpp"

#include <pybind11/stl.h>

#include <string>
#include <vector>

#include "bindings.hpp"

namespace brackwater::python {
namespace {

// The exception classes, created once with the module and kept for the
// life of the process (never released: they may be raised until the end).
struct ExceptionTypes {
  py::handle error;
  py::handle dat_error;
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

// Raises an instance of `type` holding `message`, with `attributes` set on it.
[[noreturn]] void raise_with(py::handle type, const std::string& message,
                             const py::dict& attributes = {}) {
  py::object error = type(message);
  for (const auto& [name, value] : attributes) py::setattr(error, name, value);
  PyErr_SetObject(type.ptr(), error.ptr());
  throw py::error_already_set();
}

}  // namespace

void bind_errors(py::module_& m) {
  types.error = new_type(m, "Error", PyExc_Exception, "Base of every error this module raises.");
  types.dat_error = new_type(m, "DatError", types.error,
                             "An archive operation failed, or a Texture record did not parse.");
  types.read_error = new_type(m, "ReadError", types.error,
                              "A record did not parse. `cause` is the innermost failure, "
                              "`frames` the fields being read, innermost first.");
  types.texture_decode_error =
      new_type(m, "TextureDecodeError", types.error, "A texture could not be converted to RGBA8.");
  types.resolve_error = new_type(m, "ResolveError", types.error,
                                 "A surface did not resolve to a colour. `causes` holds the "
                                 "texts of the errors behind it, outermost first.");
}

void raise(const dat::DatError& error) {
  raise_with(types.dat_error, error.message());
}

void raise(const dat::ReadError& error) {
  std::vector<std::string> frames;
  for (const dat::ContextFrame& frame : error.frames()) frames.push_back(frame.message);
  py::dict attributes;
  attributes["cause"] = error.cause_message();
  attributes["frames"] = py::tuple(py::cast(frames));
  raise_with(types.read_error, error.message(), attributes);
}

void raise(const dat::TextureDecodeError& error) {
  raise_with(types.texture_decode_error, error.message());
}

void raise(const survey::SurveyError& error) {
  py::dict attributes;
  attributes["causes"] = py::tuple(py::cast(error.causes()));
  raise_with(types.resolve_error, error.message(), attributes);
}

}  // namespace brackwater::python
