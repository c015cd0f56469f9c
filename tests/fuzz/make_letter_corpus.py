#!/usr/bin/env python3
"""Writes the seeds of letter_file_fuzz into tests/fuzz/corpus/letter_file.

Small bitmaps (8 x 4 pixels, or 6 x 3 for the run lengths) of every kind the
decoder reads: each header (12, 40, 52, 56, 108, 124 bytes), each depth with
and without masks, run lengths at 8 and 4 bits, rows top down; and a few it
refuses, each for one reason.  The files are committed; run this again only
to change them:  python3 tests/fuzz/make_letter_corpus.py
"""
import pathlib
import struct

OUT = pathlib.Path(__file__).resolve().parent / "corpus" / "letter_file"
WIDTH, HEIGHT = 8, 4


def bitmap(depth, header=40, compression=0, width=WIDTH, height=HEIGHT, masks=(), table=None, colours=0,
           pixels=None):
    """A bitmap file: masks after the first 40 bytes of the header (after
    the header itself when it is 40 bytes), then the colour table, then the
    pixels (rows of a pattern when none are given)."""
    core = header == 12
    info = struct.pack("<I", header)
    info += struct.pack("<HH" if core else "<ii", width, height) + struct.pack("<HH", 1, depth)
    if not core:
        info += struct.pack("<IIiiII", compression, 0, 2835, 2835, colours, 0)
    info += b"".join(struct.pack("<I", mask) for mask in masks)
    info = info.ljust(header, b"\0")
    if table is None:
        table = [(i * 0x3f1c07) & 0xffffff for i in range(1 << depth)] if depth <= 8 else []
    info += b"".join(struct.pack("<I", c)[:3 if core else 4] for c in table)
    if pixels is None:
        stride = (width * depth + 31) // 32 * 4
        pixels = bytes((i * 37 + 11) & 0xff for i in range(stride * abs(height)))
    offset = 14 + len(info)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + pixels


def runs(depth, rows):
    """Rows of 6 pixels, a repeated run and a literal one each, then the end."""
    stream = b""
    for y in range(rows):
        a, b, c = (y * 5 + 1) % 16, (y * 3 + 2) % 16, (y + 7) % 16
        if depth == 8:
            stream += bytes([3, a * 9, 0, 3, b * 11, c * 13, a + b, 0])
        else:
            stream += bytes([3, a << 4 | b, 0, 3, c << 4 | a, b << 4])
        stream += bytes([0, 0])
    return stream + bytes([0, 1])


RGB = (0xff0000, 0x00ff00, 0x0000ff)
RGBA = RGB + (0xff000000,)

VALID = {
    "1bit": bitmap(1),
    "4bit": bitmap(4),
    "8bit": bitmap(8),
    "8bit_two_colours_used": bitmap(8, table=[0, 0xffffff], colours=2, pixels=bytes([0, 1] * 16)),
    "16bit_555": bitmap(16),
    "16bit_565": bitmap(16, compression=3, masks=(0xf800, 0x07e0, 0x001f)),
    "16bit_4444_v3": bitmap(16, header=56, compression=3, masks=(0x0f00, 0x00f0, 0x000f, 0xf000)),
    "24bit": bitmap(24),
    "24bit_top_down": bitmap(24, height=-HEIGHT),
    "32bit": bitmap(32),
    "32bit_bitfields": bitmap(32, compression=3, masks=RGB),
    "32bit_alpha_bitfields": bitmap(32, compression=6, masks=RGBA),
    "32bit_v2": bitmap(32, header=52, compression=3, masks=RGB),
    "32bit_v4_alpha": bitmap(32, header=108, masks=RGBA),
    "32bit_v5_top_down": bitmap(32, header=124, compression=3, masks=RGBA, height=-HEIGHT),
    "core_8bit": bitmap(8, header=12),
    "core_24bit": bitmap(24, header=12),
    "rle8": bitmap(8, compression=1, width=6, height=3, pixels=runs(8, 3)),
    "rle4": bitmap(4, compression=2, width=6, height=3, pixels=runs(4, 3)),
    "rle8_delta_early_end": bitmap(8, compression=1, pixels=bytes([0, 2, 2, 1, 3, 5, 0, 1])),
}

REFUSED = {
    "bad_huge_sides": bitmap(0xffff, width=0x7fffffff, height=0x7fffffff, pixels=b""),
    "bad_rows_cut_short": bitmap(24)[:-20],
    "bad_rle8_no_end": bitmap(8, compression=1, width=6, height=3, pixels=runs(8, 3)[:-2]),
    "bad_rle8_empty": bitmap(8, compression=1, pixels=b""),
    "bad_rle4_cut_in_run": bitmap(4, compression=2, pixels=bytes([0, 8, 0x12, 0x34])),
    "bad_short_table": bitmap(8, table=[0, 0xffffff], colours=2),
    "bad_gap_mask": bitmap(32, compression=3, masks=(0xf0f000, 0xff, 0)),
}


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for name, data in {**VALID, **REFUSED}.items():
        (OUT / f"{name}.bmp").write_bytes(data)


if __name__ == "__main__":
    main()
