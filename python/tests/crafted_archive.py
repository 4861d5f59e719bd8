"""Writes archives that the fixture writer never would: every entry naming
one block whose link leads back to itself."""

import struct

BLOCK_SIZE = 1024
DATA_AREA = BLOCK_SIZE - 4
NODE_SIZE = 1716
ENTRIES_PER_NODE = 61


class _Writer:
    def __init__(self):
        self.data = bytearray(BLOCK_SIZE)  # the first block holds the header

    def chain(self, payload, link_last=0):
        """`payload` in fresh blocks linked in order; the offset of the first."""
        pieces = [payload[i:i + DATA_AREA] for i in range(0, len(payload), DATA_AREA)] or [b""]
        first = len(self.data)
        for n, piece in enumerate(pieces):
            at = len(self.data)
            link = at + BLOCK_SIZE if n + 1 < len(pieces) else link_last
            self.data += struct.pack("<I", link) + piece.ljust(DATA_AREA, b"\0")
        return first

    def node(self, entries):
        """A directory subtree holding `entries` (id, offset, size); its offset."""
        own, rest = entries[:ENTRIES_PER_NODE], entries[ENTRIES_PER_NODE:]
        children = []
        if rest:
            share = -(-len(rest) // (ENTRIES_PER_NODE + 1))
            children = [self.node(rest[i:i + share]) for i in range(0, len(rest), share)]
        node = struct.pack("<62I", *children, *[0] * (62 - len(children)))
        node += struct.pack("<I", len(own))
        node += b"".join(struct.pack("<6I", 0, i, offset, size, 0, 0) for i, offset, size in own)
        return self.chain(node.ljust(NODE_SIZE, b"\0"))


def self_linked(path, entries=36_000, file_size=1_000_000):
    """`entries` files of `file_size` bytes, all in one block that links to itself."""
    writer = _Writer()
    shared = len(writer.data)
    writer.data += struct.pack("<I", shared) + bytes(DATA_AREA)
    root = writer.node([(0x06000000 + i, shared, file_size) for i in range(entries)])
    writer.data = writer.data.ljust(file_size + BLOCK_SIZE, b"\0")
    struct.pack_into("<9I", writer.data, 0x140, 0x5442, BLOCK_SIZE, len(writer.data), 0, 0, 0, 0,
                     0, root)
    path.write_bytes(writer.data)
    return path
