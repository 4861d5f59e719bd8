// bd.Archive: an open archive and everything read through it.
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "bindings.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "brackwater/survey/limits.hpp"
#include "brackwater/survey/resolve.hpp"
#include "buffer.hpp"
#include "errors.hpp"
#include "file_id.hpp"
#include "index_ids.hpp"
#include "instances.hpp"
#include "pixels.hpp"
#include "read_limit.hpp"
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
  Archive(Database db, SharedReadLimit reads) : db_(std::move(db)), reads_(std::move(reads)) {}

  void close() { db_.reset(); }

  Database db() const {
    if (!db_) throw py::value_error("I/O operation on a closed archive");
    return db_;
  }

  SharedReadLimit& reads() { return reads_; }

  // `work(db, budget)` without the GIL, its reads charged to the read limit.
  template <class Work>
  auto charged(Work work) const {
    SharedReadLimit::Charge charge = reads_.take();
    auto result = without_gil([&, db = db()] { return work(*db, charge.budget()); });
    SharedReadLimit::settle(charge);
    return result;
  }

  dat::Bytes read(FileId id) const {
    return value_or_raise(charged([&](const dat::DatDatabase& db, dat::ReadBudget& budget) {
      return db.get_file(id.value, budget);
    }));
  }

  template <class Record>
  Record record(FileId id) const {
    return unpack_record<Record>(read(id));
  }

 private:
  Database db_;
  SharedReadLimit reads_;
};

constexpr const char* kNotOpened = "Archive.__init__() was not called: open one with Archive(path)";

}  // namespace
}  // namespace brackwater::python

// An Archive argument must have been opened by __init__; pybind11 alone would
// hand over the raw memory of one made by __new__.
template <>
class pybind11::detail::type_caster<brackwater::python::Archive>
    : public type_caster_base<brackwater::python::Archive> {
 public:
  bool load(handle source, bool convert) {
    using brackwater::python::Archive;
    if (isinstance<Archive>(source) && !brackwater::python::holds_value(source, typeid(Archive))) {
      throw type_error(brackwater::python::kNotOpened);
    }
    return type_caster_base<Archive>::load(source, convert);
  }
};

namespace brackwater::python {
namespace {

// Opens `self`; a second __init__ is refused rather than ignored, also when
// another thread's ran while this one opened the file without the GIL.
void open_archive(py::handle self, const std::filesystem::path& path, py::handle read_limit) {
  const auto refuse_if_opened = [self] {
    if (holds_value(self, typeid(Archive))) {
      throw py::type_error(
          "Archive.__init__() called on an archive already opened: make a new one");
    }
  };
  refuse_if_opened();
  const bool survey_limit = read_limit.is(py::ellipsis());
  const std::optional<dat::ReadBudget> limit =
      survey_limit ? std::nullopt : read_limit_from_python(read_limit);
  auto db = std::make_shared<const dat::DatDatabase>(
      value_or_raise(without_gil([&] { return dat::DatDatabase::open(path); })));
  SharedReadLimit reads(survey_limit ? survey::ResolveSession::read_allowance(*db) : limit);
  refuse_if_opened();
  emplace_value(self, Archive(std::move(db), std::move(reads)));
}

// Archive's tp_init, so that Archive(path) and archive.__init__(path) both
// come here: pybind11 skips an `__init__` of its own on an object already
// built, without a word.
extern "C" int init_archive(PyObject* self, PyObject* args, PyObject* kwargs) {
  static char path_name[] = "path";
  static char read_limit_name[] = "read_limit";
  static char* keywords[] = {path_name, read_limit_name, nullptr};
  PyObject* path = nullptr;
  PyObject* read_limit = Py_Ellipsis;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|$O:Archive", keywords, &path, &read_limit)) {
    return -1;
  }
  try {
    std::filesystem::path opened;
    try {
      opened = py::cast<std::filesystem::path>(py::handle(path));
    } catch (const py::cast_error&) {
      throw py::type_error("path must be a str or an os.PathLike");
    }
    open_archive(self, opened, read_limit);
    return 0;
  } catch (py::error_already_set& e) {
    e.restore();
  } catch (const py::builtin_exception& e) {
    e.set_error();
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
  }
  return -1;
}

void set_archive_init(PyHeapTypeObject* heap_type) {
  heap_type->ht_type.tp_init = init_archive;
}

std::optional<std::uint8_t> top_byte_of(std::optional<std::uint32_t> top_byte) {
  if (top_byte && *top_byte > 0xFF) throw py::value_error("top_byte must be from 0 to 255");
  if (!top_byte) return std::nullopt;
  return static_cast<std::uint8_t>(*top_byte);
}

py::tuple rgb_tuple(const survey::Rgb& rgb) {
  return py::make_tuple(rgb.r, rgb.g, rgb.b);
}

py::object rgba(const Archive& archive, const dat::Texture& texture,
                std::optional<FileId> palette_id) {
  // A palette id stands where a surface's own palette would: it colours a
  // paletted texture in place of the texture's default one.
  const survey::PaletteChoice choice =
      survey::choose_palette(texture, palette_id ? palette_id->value : 0);
  dat::Bytes pixels =
      value_or_raise(archive.charged([&](const dat::DatDatabase& db, dat::ReadBudget& budget) {
        return texture_pixels(db, texture, choice, budget);
      }));
  return rgba_for_python(std::move(pixels), texture.width, texture.height);
}

survey::SurfaceColor resolve(const Archive& archive, FileId surface_id) {
  auto color = archive.charged([&](const dat::DatDatabase& db, dat::ReadBudget& budget) {
    return resolve_surface(db, surface_id.value, budget);
  });
  if (!color) raise_unresolved(surface_id.value, color.error());
  return *color;
}

py::dict survey(const Archive& archive, std::size_t limit) {
  const survey::ColorMap colors =
      without_gil([&, db = archive.db()] { return survey_colors(*db, limit); });
  py::dict result;
  for (const auto& [id, rgb] : colors) result[py::int_(id)] = rgb_tuple(rgb);
  return result;
}

void bind_surface_color(py::module_& m) {
  py::class_<survey::SurfaceColor>(m, "SurfaceColor", "A surface's colour and whether it is solid.",
                                   py::custom_type_setup(refuse_creation))
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
  bind_read_limit(m);
  bind_surface_color(m);
  py::class_<Archive>(m, "Archive",
                      "Archive(path, *, read_limit=...)\n\n"
                      "An open portal archive, read-only. Its reads share one read limit, by "
                      "default what a survey of it may read; read_limit=None lifts it, "
                      "ReadLimit(bytes, blocks) sets it.",
                      py::custom_type_setup(set_archive_init))
      .def("close", &Archive::close, "Closes the archive; reads already running finish first.")
      .def("__enter__",
           [](py::object self) {
             (void)self.cast<const Archive&>();
             return self;
           })
      .def("__exit__", [](Archive& a, const py::args&) { a.close(); })
      .def_property(
          "read_limit",
          [](Archive& a) { return read_limit_for_python(a.reads().left()); },
          [](Archive& a, py::handle limit) {
            a.reads() = SharedReadLimit(read_limit_from_python(limit));
          },
          "What reads may still gather, ReadLimit(bytes, blocks), or None when unbounded. "
          "Setting it starts a new limit.")
      .def_property_readonly("header", [](const Archive& a) { return a.db()->header(); })
      .def("__len__", [](const Archive& a) { return a.db()->index().size(); })
      .def("__contains__",
           [](const Archive& a, FileId id) { return a.db()->index().contains(id.value); })
      .def(
          "ids",
          [](const Archive& a, std::optional<std::uint32_t> top_byte) {
            return index_ids(a.db()->index(), top_byte_of(top_byte));
          },
          py::arg("top_byte") = py::none(), "File ids, ascending; only one top byte's if given.")
      .def(
          "entry",
          [](const Archive& a, FileId id) {
            const Database db = a.db();
            const auto found = db->index().find(id.value);
            if (found == db->index().end()) {
              PyErr_SetObject(PyExc_KeyError, py::int_(id.value).ptr());
              throw py::error_already_set();
            }
            return found->second;
          },
          py::arg("id"))
      .def(
          "read", [](const Archive& a, FileId id) { return to_python_bytes(a.read(id)); },
          py::arg("id"), "The file's bytes, decompressed when stored compressed.")
      .def("surface", &Archive::record<dat::Surface>, py::arg("id"))
      .def("surface_texture", &Archive::record<dat::SurfaceTexture>, py::arg("id"))
      .def("texture", &Archive::record<dat::Texture>, py::arg("id"))
      .def("palette", &Archive::record<dat::Palette>, py::arg("id"))
      .def("rgba", &rgba, py::arg("texture"), py::arg("palette_id") = py::none(),
           "The texture as RGBA8 pixels, (height, width, 4).")
      .def("resolve", &resolve, py::arg("surface_id"),
           "The surface's colour, resolved as the survey does.")
      .def("survey", &survey, py::arg("limit") = 0,
           "{surface id: (r, g, b)} for the first `limit` surfaces (0: all), as tintsurvey "
           "reports them, within tintsurvey's own limits.");
}

}  // namespace brackwater::python
