// The header, directory entries and the four portal records, read-only.
#include <pybind11/stl.h>

#include <cstdint>
#include <string>

#include "bindings.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/dat/file_index.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/pixel_format.hpp"
#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/surface_texture.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "instances.hpp"
#include "records.hpp"

namespace brackwater::python {
namespace {

using dat::PixelFormat;

// Every named format, each a class attribute under the library's name
// (PixelFormat.Dxt1), so formats compare without spelling codes.
constexpr PixelFormat::Kind kNamedFormats[] = {
    PixelFormat::Kind::Unknown,
    PixelFormat::Kind::R8G8B8,
    PixelFormat::Kind::A8R8G8B8,
    PixelFormat::Kind::R5G6B5,
    PixelFormat::Kind::A4R4G4B4,
    PixelFormat::Kind::A8,
    PixelFormat::Kind::P8,
    PixelFormat::Kind::Index16,
    PixelFormat::Kind::CustomLscapeR8G8B8,
    PixelFormat::Kind::CustomLscapeAlpha,
    PixelFormat::Kind::Dxt1,
    PixelFormat::Kind::Dxt3,
    PixelFormat::Kind::Dxt5,
};

void bind_pixel_format(py::module_& m) {
  py::class_<PixelFormat> format(m, "PixelFormat",
                                 "A texture format code; str() gives its name, Other(code) for a "
                                 "code without one.",
                                 py::custom_type_setup(refuse_creation));
  format.def_static("from_code", &PixelFormat::from_code, py::arg("code"))
      .def_property_readonly("code", &PixelFormat::code)
      .def_property_readonly("paletted", &PixelFormat::paletted)
      .def("__str__", &PixelFormat::to_string)
      .def("__repr__", [](const PixelFormat& f) { return "PixelFormat." + f.to_string(); })
      .def("__eq__", [](const PixelFormat& a, const PixelFormat& b) { return a == b; })
      .def("__hash__", [](const PixelFormat& f) { return py::hash(py::int_(f.code())); });
  for (const PixelFormat::Kind kind : kNamedFormats) {
    const PixelFormat named = PixelFormat::from_code(static_cast<std::uint32_t>(kind));
    format.attr(named.to_string().c_str()) = named;
  }
}

void bind_archive_records(py::module_& m) {
  py::class_<dat::DatHeader>(m, "Header", "The archive's header, as stored.",
                             py::custom_type_setup(refuse_creation))
      .def_readonly("magic", &dat::DatHeader::magic)
      .def_readonly("block_size", &dat::DatHeader::block_size)
      .def_readonly("file_size", &dat::DatHeader::file_size)
      .def_readonly("dataset", &dat::DatHeader::dataset)
      .def_readonly("subset", &dat::DatHeader::subset)
      .def_readonly("free_head", &dat::DatHeader::free_head)
      .def_readonly("free_tail", &dat::DatHeader::free_tail)
      .def_readonly("free_count", &dat::DatHeader::free_count)
      .def_readonly("root_offset", &dat::DatHeader::root_offset)
      .def_readonly("new_lru", &dat::DatHeader::new_lru)
      .def_readonly("old_lru", &dat::DatHeader::old_lru)
      .def_readonly("use_lru", &dat::DatHeader::use_lru)
      .def_readonly("master_map_id", &dat::DatHeader::master_map_id)
      .def_readonly("engine_version", &dat::DatHeader::engine_version)
      .def_readonly("game_version", &dat::DatHeader::game_version)
      .def_property_readonly(
          "version_string",
          [](const dat::DatHeader& h) { return to_python_bytes(h.version_string); })
      .def_readonly("version_minor", &dat::DatHeader::version_minor);

  py::class_<dat::DatFileEntry>(m, "FileEntry", "One directory entry.",
                                py::custom_type_setup(refuse_creation))
      .def_readonly("bit_flags", &dat::DatFileEntry::bit_flags)
      .def_readonly("id", &dat::DatFileEntry::id)
      .def_readonly("offset", &dat::DatFileEntry::offset)
      .def_readonly("size", &dat::DatFileEntry::size)
      .def_readonly("timestamp", &dat::DatFileEntry::timestamp)
      .def_readonly("version", &dat::DatFileEntry::version)
      .def_property_readonly("compressed", &dat::DatFileEntry::compressed)
      .def("__repr__", [](const dat::DatFileEntry& e) {
        return "FileEntry(id=0x" + dat::hex8(e.id) + ", offset=0x" + dat::hex8(e.offset) +
               ", size=" + std::to_string(e.size) +
               ", compressed=" + (e.compressed() ? "True" : "False") + ")";
      });
}

// Records parse from any bytes-like object; equal when every field is. Like
// every class here but Archive, Python cannot create them itself.
template <class Record>
py::class_<Record> record_class(py::module_& m, const char* name, const char* doc) {
  return py::class_<Record>(m, name, doc, py::custom_type_setup(refuse_creation))
      .def_static(
          "unpack", [](py::buffer data) { return unpack_record<Record>(BytesView(data).bytes()); },
          py::arg("data"))
      .def("__eq__", [](const Record& a, const Record& b) { return a == b; });
}

void bind_portal_records(py::module_& m) {
  py::class_<dat::TextureRefs>(m, "TextureRefs", "The references of a textured surface.",
                               py::custom_type_setup(refuse_creation))
      .def_readonly("orig_texture_id", &dat::TextureRefs::orig_texture_id)
      .def_readonly("orig_palette_id", &dat::TextureRefs::orig_palette_id);

  record_class<dat::Surface>(m, "Surface",
                             "How a surface is coloured: color_value (solid) or texture_refs.")
      .def_readonly("surface_type", &dat::Surface::surface_type)
      .def_readonly("texture_refs", &dat::Surface::texture_refs)
      .def_readonly("color_value", &dat::Surface::color_value)
      .def_readonly("translucency", &dat::Surface::translucency)
      .def_readonly("luminosity", &dat::Surface::luminosity)
      .def_readonly("diffuse", &dat::Surface::diffuse);

  record_class<dat::SurfaceTexture>(m, "SurfaceTexture", "The mip levels of a textured surface.")
      .def_readonly("id", &dat::SurfaceTexture::id)
      .def_readonly("unknown_int", &dat::SurfaceTexture::unknown_int)
      .def_readonly("unknown_byte", &dat::SurfaceTexture::unknown_byte)
      .def_readonly("textures", &dat::SurfaceTexture::textures);

  record_class<dat::Palette>(m, "Palette", "Colour words (ARGB) of a palette-indexed texture.")
      .def_readonly("id", &dat::Palette::id)
      .def_readonly("colors", &dat::Palette::colors);

  record_class<dat::Texture>(m, "Texture", "One stored image.")
      .def_readonly("id", &dat::Texture::id)
      .def_readonly("unknown", &dat::Texture::unknown)
      .def_readonly("width", &dat::Texture::width)
      .def_readonly("height", &dat::Texture::height)
      .def_property_readonly("format", &dat::Texture::format)
      .def_readonly("format_raw", &dat::Texture::format_raw)
      .def_readonly("length", &dat::Texture::length)
      .def_property_readonly("source_data",
                             [](const dat::Texture& t) { return to_python_bytes(t.source_data); })
      .def_readonly("default_palette_id", &dat::Texture::default_palette_id);
}

}  // namespace

void bind_records(py::module_& m) {
  bind_pixel_format(m);
  bind_archive_records(m);
  bind_portal_records(m);
}

}  // namespace brackwater::python
