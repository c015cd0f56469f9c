"""Pixels of a screenshot or a picture file, and the few questions the
window scripts ask of them.

An Image keeps the bytes as they came (the X server's blue-green-red-pad
words, a PNG's red-green-blue rows, a BMP's rows) and knows where red,
green and blue sit in each pixel, so a screen grabbed every few
milliseconds is never copied just to be searched.  PNG and BMP are read
and PNG written with the standard library only (zlib).
"""

import struct
import zlib


class ImageError(Exception):
    """A picture file this module does not read."""


class Image:
    """width x height pixels; row y starts at y * stride, a pixel is `step`
    bytes and its red, green and blue bytes sit at `offsets` within it."""

    def __init__(self, width, height, data, stride, step, offsets=(0, 1, 2)):
        self.width, self.height = width, height
        self.data, self.stride, self.step, self.offsets = data, stride, step, offsets

    # -- reading pixels --------------------------------------------------

    def pixel(self, x, y):
        """(r, g, b) at (x, y)."""
        at = y * self.stride + x * self.step
        return tuple(self.data[at + o] for o in self.offsets)

    def rgb_row(self, y, left=0, width=None):
        """Row y from x = left, width pixels, packed as r g b bytes."""
        width = self.width - left if width is None else width
        start = y * self.stride + left * self.step
        row = self.data[start:start + width * self.step]
        if self.step == 3 and self.offsets == (0, 1, 2):
            return bytes(row)
        packed = bytearray(3 * width)
        for channel, offset in enumerate(self.offsets):
            packed[channel::3] = row[offset::self.step]
        return bytes(packed)

    def rgb(self):
        """All pixels, row by row, as r g b bytes."""
        return b"".join(self.rgb_row(y) for y in range(self.height))

    def crop(self, left, top, width, height):
        """The rectangle as an image of its own."""
        rows = b"".join(self.rgb_row(top + y, left, width) for y in range(height))
        return Image(width, height, rows, 3 * width, 3)

    # -- questions -------------------------------------------------------

    def find_run(self, colour, length):
        """(x, y) of the leftmost pixel of the first run of `length` pixels
        of `colour` side by side on one row, scanning rows top down; or None."""
        needle = bytearray(max(self.offsets) + 1)
        for value, offset in zip(colour, self.offsets):
            needle[offset] = value
        needle = bytes(needle)
        wanted = bytes(colour) * length
        at = self.data.find(needle)
        while at >= 0:
            y, column = divmod(at, self.stride)
            x = column // self.step
            if column % self.step == 0 and x + length <= self.width and \
                    self.rgb_row(y, x, length) == wanted:
                return x, y
            at = self.data.find(needle, at + 1)
        return None

    def lit_box(self, left, top, right, bottom):
        """(left, top, right, bottom) of the non-black pixels inside the given
        rectangle (edges included), or None when it is all black."""
        xs, ys = [], []
        for y in range(top, bottom + 1):
            row = self.rgb_row(y, left, right - left + 1)
            lit = row.lstrip(b"\0")
            if lit:
                xs += [left + (len(row) - len(lit)) // 3, left + (len(row.rstrip(b"\0")) - 1) // 3]
                ys.append(y)
        if not xs:
            return None
        return min(xs), min(ys), max(xs), max(ys)

    def shows(self, picture, left, top):
        """Whether this image holds `picture` exactly, its corner at (left, top)."""
        if left < 0 or top < 0 or left + picture.width > self.width or top + picture.height > self.height:
            return False
        return all(self.rgb_row(top + y, left, picture.width) == picture.rgb_row(y)
                   for y in range(picture.height))

    # -- files -----------------------------------------------------------

    def write_png(self, path):
        """Saves the image as an 8-bit RGB PNG."""
        raw = b"".join(b"\0" + self.rgb_row(y) for y in range(self.height))
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            for kind, body in ((b"IHDR", header), (b"IDAT", zlib.compress(raw, 9)), (b"IEND", b"")):
                out.write(struct.pack(">I", len(body)) + kind + body)
                out.write(struct.pack(">I", zlib.crc32(kind + body)))


def read_png(path):
    """An 8-bit RGB or RGBA PNG without interlacing (what screenshot tools write)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ImageError(path + " is not a PNG")
    chunks, at = {}, 8
    while at < len(data):
        size, = struct.unpack(">I", data[at:at + 4])
        kind = data[at + 4:at + 8]
        chunks[kind] = chunks.get(kind, b"") + data[at + 8:at + 8 + size]
        at += 12 + size
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ImageError("%s: depth %d, colour type %d, interlace %d are not read here"
                         % (path, depth, colour, interlace))
    step = 3 if colour == 2 else 4
    rows = _unfilter(zlib.decompress(chunks[b"IDAT"]), width * step, height, step)
    return Image(width, height, rows, width * step, step)


def _unfilter(raw, length, height, step):
    """The pixel rows of a PNG's decompressed data (each row led by its filter byte)."""
    out = bytearray()
    prior = bytes(length)
    for y in range(height):
        at = y * (length + 1)
        row = _unfilter_row(raw[at], bytearray(raw[at + 1:at + 1 + length]), prior, step)
        out += row
        prior = row
    return bytes(out)


def _unfilter_row(kind, row, prior, step):
    if kind == 1:    # Sub
        for i in range(step, len(row)):
            row[i] = (row[i] + row[i - step]) & 255
    elif kind == 2:  # Up
        row = bytearray((a + b) & 255 for a, b in zip(row, prior))
    elif kind == 3:  # Average
        for i in range(len(row)):
            left = row[i - step] if i >= step else 0
            row[i] = (row[i] + ((left + prior[i]) >> 1)) & 255
    elif kind == 4:  # Paeth
        for i in range(len(row)):
            a = row[i - step] if i >= step else 0
            b = prior[i]
            c = prior[i - step] if i >= step else 0
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    elif kind != 0:
        raise ImageError("unknown PNG filter %d" % kind)
    return row


def read_bmp(path):
    """An uncompressed 24- or 32-bit Windows bitmap."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ImageError(path + " is not a bitmap")
    offset, = struct.unpack("<I", data[10:14])
    width, height = struct.unpack("<ii", data[18:26])
    bits, compression = struct.unpack("<HI", data[28:34])
    if bits not in (24, 32) or compression not in (0, 3):
        raise ImageError("%s: %d-bit bitmaps with compression %d are not read here" % (path, bits, compression))
    step = bits // 8
    stride = (width * step + 3) // 4 * 4
    rows = [data[offset + r * stride:offset + (r + 1) * stride] for r in range(abs(height))]
    if height > 0:
        rows.reverse()  # stored bottom row first
    return Image(width, abs(height), b"".join(rows), stride, step, offsets=(2, 1, 0))
