// bd.Archive: an open archive and everything read through it.
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "bindings.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "brackwater/survey/resolve.hpp"
#include "buffer.hpp"
#include "errors.hpp"
#include "index_ids.hpp"
#include "pixels.hpp"
#include "records.hpp"
#include "survey.hpp"

namespace brackwater::python {
namespace {

using Database = std::shared_ptr<const dat::DatDatabase>;

// Each call takes its own reference to the database before it lets the GIL
// go, so closing the archive in one thread never pulls it from under a read
// in another: the file closes when the last of them ends.
class Archive {
 public:
  explicit Archive(const std::filesystem::path& path)
      : db_(std::make_shared<const dat::DatDatabase>(
            value_or_raise(without_gil([&] { return dat::DatDatabase::open(path); })))) {}

  void close() { db_.reset(); }

  Database db() const {
    if (!db_) throw py::value_error("I/O operation on a closed archive");
    return db_;
  }

  dat::Bytes read(std::uint32_t id) const {
    return value_or_raise(without_gil([&, db = db()] { return db->get_file(id); }));
  }

  template <class Record>
  Record record(std::uint32_t id) const {
    return unpack_record<Record>(read(id));
  }

 private:
  Database db_;
};

std::optional<std::uint8_t> top_byte_of(std::optional<std::uint32_t> top_byte) {
  if (top_byte && *top_byte > 0xFF) throw py::value_error("top_byte must be from 0 to 255");
  if (!top_byte) return std::nullopt;
  return static_cast<std::uint8_t>(*top_byte);
}

py::tuple rgb_tuple(const survey::Rgb& rgb) {
  return py::make_tuple(rgb.r, rgb.g, rgb.b);
}

py::object rgba(const Archive& archive, const dat::Texture& texture,
                std::optional<std::uint32_t> palette_id) {
  // A palette id stands where a surface's own palette would: it colours a
  // paletted texture in place of the texture's default one.
  const survey::PaletteChoice choice = survey::choose_palette(texture, palette_id.value_or(0));
  dat::Bytes pixels = value_or_raise(
      without_gil([&, db = archive.db()] { return survey::texture_rgba8(*db, texture, choice); }));
  return rgba_for_python(std::move(pixels), texture.width, texture.height);
}

py::dict survey(const Archive& archive, std::size_t limit) {
  const survey::ColorMap colors =
      without_gil([&, db = archive.db()] { return survey_colors(*db, limit); });
  py::dict result;
  for (const auto& [id, rgb] : colors) result[py::int_(id)] = rgb_tuple(rgb);
  return result;
}

void bind_surface_color(py::module_& m) {
  py::class_<survey::SurfaceColor>(m, "SurfaceColor", "A surface's colour and whether it is solid.")
      .def_property_readonly("rgb", [](const survey::SurfaceColor& c) { return rgb_tuple(c.rgb); })
      .def_readonly("solid", &survey::SurfaceColor::solid)
      .def("__eq__",
           [](const survey::SurfaceColor& a, const survey::SurfaceColor& b) {
             return a.rgb == b.rgb && a.solid == b.solid;
           })
      .def("__repr__", [](const survey::SurfaceColor& c) {
        return "SurfaceColor(rgb=" + py::repr(rgb_tuple(c.rgb)).cast<std::string>() +
               ", solid=" + (c.solid ? "True" : "False") + ")";
      });
}

}  // namespace

void bind_archive(py::module_& m) {
  bind_surface_color(m);
  py::class_<Archive>(m, "Archive", "An open portal archive, read-only.")
      .def(py::init<const std::filesystem::path&>(), py::arg("path"))
      .def("close", &Archive::close, "Closes the archive; reads already running finish first.")
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__", [](Archive& a, const py::args&) { a.close(); })
      .def_property_readonly("header", [](const Archive& a) { return a.db()->header(); })
      .def("__len__", [](const Archive& a) { return a.db()->index().size(); })
      .def("__contains__",
           [](const Archive& a, std::uint32_t id) { return a.db()->index().contains(id); })
      .def(
          "ids",
          [](const Archive& a, std::optional<std::uint32_t> top_byte) {
            return index_ids(a.db()->index(), top_byte_of(top_byte));
          },
          py::arg("top_byte") = py::none(), "File ids, ascending; only one top byte's if given.")
      .def(
          "entry",
          [](const Archive& a, std::uint32_t id) {
            const Database db = a.db();
            const auto found = db->index().find(id);
            if (found == db->index().end()) {
              PyErr_SetObject(PyExc_KeyError, py::int_(id).ptr());
              throw py::error_already_set();
            }
            return found->second;
          },
          py::arg("id"))
      .def(
          "read", [](const Archive& a, std::uint32_t id) { return to_python_bytes(a.read(id)); },
          py::arg("id"), "The file's bytes, decompressed when stored compressed.")
      .def("surface", &Archive::record<dat::Surface>, py::arg("id"))
      .def("surface_texture", &Archive::record<dat::SurfaceTexture>, py::arg("id"))
      .def("texture", &Archive::record<dat::Texture>, py::arg("id"))
      .def("palette", &Archive::record<dat::Palette>, py::arg("id"))
      .def("rgba", &rgba, py::arg("texture"), py::arg("palette_id") = py::none(),
           "The texture as RGBA8 pixels, (height, width, 4).")
      .def(
          "resolve",
          [](const Archive& a, std::uint32_t surface_id) {
            return value_or_raise(
                without_gil([&, db = a.db()] { return resolve_surface(*db, surface_id); }));
          },
          py::arg("surface_id"), "The surface's colour, resolved as the survey does.")
      .def("survey", &survey, py::arg("limit") = 0,
           "{surface id: (r, g, b)} for the first `limit` surfaces (0: all), as tintsurvey "
           "reports them.");
}

}  // namespace brackwater::python
