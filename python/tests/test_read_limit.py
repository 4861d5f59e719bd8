"""An Archive's reads share one bound, so no archive makes a loop over its
files read without end; sound archives never meet it."""

import brackwater_dat as bd
import pytest

from conftest import run, tool
from crafted_archive import self_linked

READ_LIMIT_TEXT = "Other error: read limit reached: files read more than the archive holds"


@pytest.fixture(scope="module")
def crafted(tmp_path_factory):
    return self_linked(tmp_path_factory.mktemp("crafted") / "self_linked.dat")


def read_all(archive, count=None):
    """How many of the first `count` files read, and the errors of those that did not."""
    read, errors = 0, []
    for file_id in archive.ids()[:count]:
        try:
            archive.read(file_id)
            read += 1
        except bd.DatError as e:
            errors.append(e)
    return read, errors


def test_files_sharing_one_looping_block_end_in_read_limit_errors(crafted):
    with bd.Archive(crafted) as a:
        assert len(a) == 36_000
        limit = a.read_limit
        read, errors = read_all(a)
        # Each file reads a million bytes the archive holds only once.
        assert read == limit.bytes // 1_000_000
        assert len(errors) == 36_000 - read
        assert all(type(e) is bd.ReadLimitError and str(e) == READ_LIMIT_TEXT for e in errors)
        assert a.read_limit == (0, 0)
        with pytest.raises(bd.ResolveError) as raised:
            a.resolve(0x06000000)
        assert raised.value.causes == (READ_LIMIT_TEXT,)


def test_the_limit_can_be_lifted_or_set(crafted):
    with bd.Archive(crafted, read_limit=None) as a:
        assert a.read_limit is None
        for file_id in a.ids()[:20]:
            assert len(a.read(file_id)) == 1_000_000
        a.read_limit = bd.ReadLimit(bytes=2_500_000, blocks=10_000)
        assert read_all(a, 10)[0] == 2
        a.read_limit = (1_000_000, 10_000)
        assert len(a.read(a.ids()[0])) == 1_000_000
        assert a.read_limit.bytes == 0
    with bd.Archive(crafted, read_limit=bd.ReadLimit(3_000_000, 1 << 20)) as a:
        assert read_all(a, 10)[0] == 3


def test_sound_archives_read_completely(sample_path, tmp_path):
    large = tmp_path / "large.dat"
    run(tool("mkportal"), "large", str(large), "--scale", "0.05")
    for path in [sample_path, large]:
        with bd.Archive(path) as a:
            before = a.read_limit
            read, errors = read_all(a)
            assert not any(isinstance(e, bd.ReadLimitError) for e in errors)
            assert read + len(errors) == len(a)
            assert a.read_limit.bytes < before.bytes
