#!/usr/bin/env python3
"""What tintsurvey reports for the archive of `mkportal sample` (seed 1).

Worked out from the rules the sample is drawn by, without any of the C++
code: every textured surface shows a two-tone picture whose counted tone is
one flat colour, so its dominant colour is that tone, computed here by hand
(raw bytes, palette entries, or DXT endpoints through the 5/6-bit expansion
and the block interpolation rules). Writes sample_tintsurvey.json (the report)
and sample_stderr.txt (tintsurvey's standard error when run with
`--out tintsurvey.json`) beside this script.
"""

import pathlib

SEED = 1
SURFACES = 300
FIRST_SURFACE, LAST_SURFACE = 0x08000000, 0x08FFFFFF
LOOKS = ["Solid", "R8G8B8", "A8R8G8B8", "A8", "P8", "P8SurfacePalette", "Index16",
         "LscapeR8G8B8", "LscapeAlpha", "Dxt1", "Dxt1Transparent", "Dxt3", "Dxt5"]
FAULT_EVERY, FIRST_FAULT = 21, 10
SIZES = [(8, 8), (4, 4), (6, 5), (16, 8), (5, 7), (12, 12)]
PALETTES, PALETTE_WORDS = 8, 0x10000

MASK = (1 << 64) - 1
GAMMA = 0x9E3779B97F4A7C15


def word(key):
    """The key-th output (from 0) of splitmix64 seeded with SEED."""
    z = (SEED + (key + 1) * GAMMA) & MASK
    z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
    z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
    return z ^ (z >> 31)


def expand5(x):
    t = x * 255 + 16
    return (t + (t >> 5)) >> 5


def expand6(x):
    t = x * 255 + 32
    return (t + (t >> 6)) >> 6


def rgb565(c):
    return (expand5(c >> 11), expand6((c >> 5) & 63), expand5(c & 31))


def mix(a, b, wa, wb):
    """Per channel (wa * a + wb * b) // (wa + wb), as the block decoders do."""
    return tuple((wa * x + wb * y) // (wa + wb) for x, y in zip(a, b))


def palette_rgb(palette, index):
    """Entry `index` of palette `palette`: red's top bit is the index's bit 7."""
    colour = (index & 0x80) << 16 | (word(PALETTE_WORDS + 0x1000 * palette + index) & 0x7FFFFF)
    return (colour >> 16 & 255, colour >> 8 & 255, colour & 255)


def stripe_is_smaller(width, height):
    stripe = sum(1 for y in range(height) for x in range(width) if (x + y) % 4 == 3)
    return 2 * stripe < width * height


def resolve(i):
    """(colour, solid) of surface i, or None when it is one of the broken ones."""
    if i % FAULT_EVERY == FIRST_FAULT:
        return None
    w = word(i)
    red, green, blue = w & 255, w >> 8 & 255, w >> 16 & 255
    endpoint = w >> 32 & 0xFFFF
    high, low = endpoint | 0x8000, endpoint & 0x7FFF
    palette = w >> 48 & 7
    surface_palette = (palette + 1 + (w >> 51 & 7) % 7) % PALETTES
    assert surface_palette != palette
    assert stripe_is_smaller(*SIZES[(w >> 56 & 0xF) % len(SIZES)])
    look = LOOKS[i % len(LOOKS)]
    if look == "Solid":
        return (red, green, blue), True
    colour = {
        # The plain tone wins: more pixels, in another cell (red's top bit).
        "R8G8B8": (red, green, blue),
        "LscapeR8G8B8": (red, green, blue),
        "A8": (red, red, red),
        "LscapeAlpha": (red, red, red),
        "P8": palette_rgb(palette, red),
        "P8SurfacePalette": palette_rgb(surface_palette, red),
        "Index16": palette_rgb(palette, 256 + red),
        "Dxt1": rgb565(high),  # index 0 of four colours (c0 > c1)
        # The stripe wins: the plain tone is see-through.
        "A8R8G8B8": (red, green, blue),
        "Dxt1Transparent": mix(rgb565(low), rgb565(high), 1, 1),  # index 2 of three colours
        "Dxt3": mix(rgb565(low), rgb565(high), 2, 1),  # index 2 of four, although c0 < c1
        "Dxt5": mix(rgb565(high), rgb565(low), 1, 2),  # index 3 of four
    }[look]
    return colour, False


def main():
    here = pathlib.Path(__file__).resolve().parent
    ids = [FIRST_SURFACE + i for i in range(SURFACES - 1)] + [LAST_SURFACE]
    interval = max(SURFACES // 20, 1)
    log = [f"tintsurvey: found {SURFACES} surfaces in portal DAT; processing {SURFACES}"]
    colours, solid, textured, errors = {}, 0, 0, 0
    for i, surface_id in enumerate(ids):
        if i != 0 and i % interval == 0:
            log.append(f"  [{i:>5}/{SURFACES:>5}] ok={len(colours)} (solid={solid} "
                       f"textured={textured}) err={errors}")
        result = resolve(i)
        if result is None:
            errors += 1
            continue
        colours[surface_id] = result[0]
        solid += result[1]
        textured += not result[1]
    log.append(f"done. resolved={len(colours)} (solid={solid} textured={textured}) "
               f"errors={errors}")

    lines = [f'  "0x{surface_id:08X}": [{r}, {g}, {b}]' for surface_id, (r, g, b) in colours.items()]
    report = "{\n" + ",\n".join(lines) + ("\n" if lines else "") + "}\n"
    log.append(f"wrote tintsurvey.json ({len(report) / 1024:.1f} KB)")
    (here / "sample_tintsurvey.json").write_text(report)
    (here / "sample_stderr.txt").write_text("\n".join(log) + "\n")


if __name__ == "__main__":
    main()
