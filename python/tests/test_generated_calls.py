"""Generated call sequences against damaged archives: whatever is called on
whatever object, in whatever order or thread, ends in a value or an
exception, never in a crash of the interpreter."""

import concurrent.futures

import brackwater_dat as bd
import pytest

from test_damaged import DAMAGE

hypothesis = pytest.importorskip("hypothesis")
st = hypothesis.strategies

DAMAGES = ["block links redirected 0", "root directory overwritten 1", "anywhere overwritten 0",
           "one byte short"]


@pytest.fixture(scope="module")
def archive_paths(sample_bytes, tmp_path_factory):
    directory = tmp_path_factory.mktemp("generated")
    paths = [directory / "sound.dat"]
    paths[0].write_bytes(sample_bytes)
    for n, name in enumerate(DAMAGES):
        paths.append(directory / f"damaged{n}.dat")
        paths[-1].write_bytes(DAMAGE[name](sample_bytes))
    return paths


# Arguments a script might pass, sensible or not.
ids = st.one_of(st.sampled_from([0x08000005, 0x06000014, 0x04000007, 0x05000005, 0x0800000A,
                                 0x08000088, 0]),
                st.integers(-1, 1 << 33), st.booleans(), st.none(), st.text(max_size=2))
raw = st.binary(max_size=64)
limits = st.one_of(st.none(), st.tuples(st.integers(-1, 1 << 24), st.integers(-1, 1 << 12)),
                   st.integers(), st.text(max_size=1))


def calls(draw, a, paths):
    """One call on Archive `a`, its arguments drawn now."""
    i, j, limit, data = draw(ids), draw(ids), draw(limits), draw(raw)
    path = draw(st.sampled_from(paths))
    return draw(st.sampled_from([
        lambda: len(a), lambda: i in a, lambda: a.header, lambda: a.ids(i), lambda: a.entry(i),
        lambda: a.read(i), lambda: a.surface(i), lambda: a.surface_texture(i),
        lambda: a.texture(i), lambda: a.palette(i), lambda: a.resolve(i), lambda: a.survey(i),
        lambda: a.rgba(bd.Texture.unpack(data), palette_id=i), lambda: a.rgba(a.texture(i), j),
        lambda: a.read_limit, lambda: setattr(a, "read_limit", limit), lambda: a.close(),
        lambda: a.__enter__(), lambda: a.__exit__(None, None, None),
        lambda: a.__init__(path, read_limit=limit),
    ]))


def archives(draw, paths):
    """An Archive opened, closed, or made without __init__."""
    how = draw(st.sampled_from(["open", "limited", "closed", "new"]))
    if how == "new":
        return bd.Archive.__new__(bd.Archive)
    try:
        a = bd.Archive(draw(st.sampled_from(paths)),
                       read_limit=draw(limits) if how == "limited" else ...)
    except (bd.Error, TypeError):
        return bd.Archive.__new__(bd.Archive)
    if how == "closed":
        a.close()
    return a


def call_quietly(call):
    try:
        result = call()
        repr(result)
    except (bd.Error, TypeError, ValueError, KeyError, OverflowError):
        pass


@hypothesis.settings(derandomize=True, max_examples=60, deadline=None, database=None,
                     suppress_health_check=list(hypothesis.HealthCheck))
@hypothesis.given(data=st.data())
def test_generated_calls_never_crash(archive_paths, data):
    a = archives(data.draw, archive_paths)
    for _ in range(data.draw(st.integers(1, 12))):
        call_quietly(calls(data.draw, a, archive_paths))
    # The records it hands out, on their own.
    for parse in [bd.Surface.unpack, bd.SurfaceTexture.unpack, bd.Palette.unpack,
                  bd.Texture.unpack, bd.decompress_lrs, bd.dominant_rgb]:
        record = data.draw(raw)
        call_quietly(lambda: parse(record))


@hypothesis.settings(derandomize=True, max_examples=10, deadline=None, database=None,
                     suppress_health_check=list(hypothesis.HealthCheck))
@hypothesis.given(data=st.data())
def test_generated_calls_from_threads_with_a_close_among_them(archive_paths, data):
    a = archives(data.draw, archive_paths)
    sequence = [calls(data.draw, a, archive_paths) for _ in range(data.draw(st.integers(4, 24)))]
    sequence.insert(data.draw(st.integers(0, len(sequence))), a.close)
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        list(pool.map(call_quietly, sequence))
