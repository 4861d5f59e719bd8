"""The archive's index, files and records as the bindings show them."""

import concurrent.futures

import brackwater_dat as bd


def test_index(archive):
    ids = archive.ids()
    assert len(archive) == len(ids) == 1104
    assert ids == sorted(ids)
    assert 0x04000100 in archive and 0x04000101 not in archive
    assert archive.ids(0x04) == [0x04000000 + i for i in range(8)] + [0x04000100]
    assert archive.ids(0x08) == [i for i in ids if i >> 24 == 0x08]
    assert archive.ids(0xFF) == []
    assert sum(len(archive.ids(top)) for top in range(256)) == len(ids)


def test_header_and_entries(archive):
    assert archive.header.block_size == 1024
    assert len(archive.header.version_string) == 16
    entry = archive.entry(0x04000001)
    assert (entry.id, entry.offset, entry.size, entry.compressed) == (
        0x04000001, 0x0012A800, 2317, True)
    assert len(archive.read(0x04000001)) == archive.entry(0x04000000).size == 2056  # decompressed
    assert len(archive.read(0x06000014)) == archive.entry(0x06000014).size == 156


def test_records_read_by_id_are_the_records_of_their_bytes(archive):
    surface = archive.surface(0x08000005)
    assert surface.color_value is None
    assert (surface.texture_refs.orig_texture_id, surface.texture_refs.orig_palette_id) == (
        0x05000005, 0x04000007)
    assert archive.surface_texture(0x05000005).textures == [0x06000014]
    texture = archive.texture(0x06000014)
    assert (texture.width, texture.height, texture.default_palette_id) == (16, 8, 0x04000005)
    assert texture.format == bd.PixelFormat.P8 and str(texture.format) == "P8"
    assert texture.format.paletted and texture.format.code == 41
    assert len(archive.palette(0x04000007).colors) == 512
    assert archive.surface(0x08000000).color_value == 0x89C15C02
    for read, parse, record_id in [
        (archive.surface, bd.Surface.unpack, 0x08000005),
        (archive.surface_texture, bd.SurfaceTexture.unpack, 0x05000005),
        (archive.texture, bd.Texture.unpack, 0x06000014),
        (archive.palette, bd.Palette.unpack, 0x04000007),
    ]:
        assert read(record_id) == parse(memoryview(archive.read(record_id)))


def test_pixel_formats_keep_unnamed_codes():
    assert str(bd.PixelFormat.from_code(7)) == "Other(7)"
    assert bd.PixelFormat.from_code(0x31545844) == bd.PixelFormat.Dxt1
    assert len({bd.PixelFormat.Dxt1, bd.PixelFormat.from_code(0x31545844)}) == 1


def test_threads_read_what_one_thread_reads(archive):
    ids = archive.ids()
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        assert list(pool.map(archive.read, ids)) == [archive.read(i) for i in ids]
        surveys = list(pool.map(lambda _: archive.survey(), range(3)))
    assert surveys == [archive.survey()] * 3
