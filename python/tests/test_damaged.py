"""Damaged archives end in errors, never in a crash."""

import random
import struct

import brackwater_dat as bd
import pytest

HEADER = (0x140, 0x190)


def root_block(data):
    (root_offset,) = struct.unpack_from("<I", data, HEADER[0] + 32)
    return root_offset, root_offset + 1024


def cut(length_of):
    return lambda data: data[:length_of(len(data))]


def overwrite(seed, region, count=64):
    """`count` bytes of `region(data)` set to random values."""
    def damage(data):
        rng = random.Random(seed)
        start, stop = region(data)
        damaged = bytearray(data)
        for _ in range(count):
            damaged[rng.randrange(start, stop)] = rng.randrange(256)
        return bytes(damaged)
    return damage


def relink(seed):
    """32 blocks whose next-block link leads to another block, or anywhere."""
    def damage(data):
        rng = random.Random(seed)
        damaged = bytearray(data)
        blocks = len(data) // 1024
        for _ in range(32):
            target = rng.choice([rng.randrange(1, blocks) * 1024, rng.randrange(1 << 32)])
            struct.pack_into("<I", damaged, rng.randrange(1, blocks) * 1024, target)
        return bytes(damaged)
    return damage


DAMAGE = {
    "cut inside the header": cut(lambda n: 0x150),
    "cut after the header": cut(lambda n: HEADER[1]),
    "cut in half": cut(lambda n: n // 2),
    "one byte short": cut(lambda n: n - 1),
    **{f"header overwritten {seed}": overwrite(seed, lambda d: HEADER) for seed in range(2)},
    **{f"root directory overwritten {seed}": overwrite(seed, root_block, 2) for seed in range(4)},
    **{f"block links redirected {seed}": relink(seed) for seed in range(4)},
    **{f"anywhere overwritten {seed}": overwrite(seed, lambda d: (0, len(d))) for seed in range(2)},
}


@pytest.mark.parametrize("damage", DAMAGE.values(), ids=DAMAGE.keys())
def test_reading_every_file_of_a_damaged_archive_never_crashes(sample_bytes, tmp_path, damage):
    path = tmp_path / "damaged.dat"
    path.write_bytes(damage(sample_bytes))
    try:
        archive = bd.Archive(path)
    except bd.DatError:
        return
    with archive:
        for file_id in archive.ids():
            try:
                archive.read(file_id)
            except bd.DatError:
                pass
        assert set(archive.survey()) <= set(archive.ids(0x08))
