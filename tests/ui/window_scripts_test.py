#!/usr/bin/env python3
"""What the window scripts read off screens and logs, on made-up inputs:
pixels in the X server's and in PNG/BMP layouts, PNG files with every row
filter, the game window found by its frame wherever it lies, and the
toplevels in a Wayland protocol log."""

import os
import random
import re
import struct
import tempfile
import unittest
import zlib

import run_under_wayland
from support import game_window, screen_image

Image = screen_image.Image


def x_image(width, height, pixels):
    """An image in the X server's layout (blue green red pad) from {(x, y): (r, g, b)}, black elsewhere."""
    data = bytearray(4 * width * height)
    for (x, y), (r, g, b) in pixels.items():
        data[4 * (y * width + x):4 * (y * width + x) + 4] = bytes([b, g, r, 0x5a])  # a pad byte that is not 0
    return Image(width, height, bytes(data), 4 * width, 4, offsets=(2, 1, 0))


def rgb_image(width, height, seed):
    """An RGB image of random pixels, some of them repeated (flat areas make predictor ties)."""
    rng = random.Random(seed)
    data = bytes(rng.choice([0, 2, 4, 255, rng.randrange(256)]) for _ in range(3 * width * height))
    return Image(width, height, data, 3 * width, 3)


def png_with_filters(image, filters):
    """A PNG of image whose row y is filtered with filters[y % len(filters)]."""
    def filtered(kind, row, prior):
        out = bytearray(len(row))
        for i, byte in enumerate(row):
            a = row[i - 3] if i >= 3 else 0
            b = prior[i]
            c = prior[i - 3] if i >= 3 else 0
            p = a + b - c
            predictor = [0, a, b, (a + b) // 2,
                         a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c)
                         else c][kind]
            out[i] = (byte - predictor) & 255
        return bytes([kind]) + bytes(out)

    raw, prior = b"", bytes(3 * image.width)
    for y in range(image.height):
        row = image.rgb_row(y)
        raw += filtered(filters[y % len(filters)], row, prior)
        prior = row
    chunks = [(b"IHDR", struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)),
              (b"IDAT", zlib.compress(raw)), (b"IEND", b"")]
    return b"\x89PNG\r\n\x1a\n" + b"".join(struct.pack(">I", len(body)) + kind + body
                                           + struct.pack(">I", zlib.crc32(kind + body)) for kind, body in chunks)


class Files(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def test_png_rows_with_each_filter_read_back_exactly(self):
        image = rgb_image(16, 12, seed=3)
        for filters in ([0], [1], [2], [3], [4], [4, 1, 0, 3, 2]):
            with self.subTest(filters=filters):
                with open(self.path("f.png"), "wb") as f:
                    f.write(png_with_filters(image, filters))
                self.assertEqual(screen_image.read_png(self.path("f.png")).rgb(), image.rgb())

    def test_a_written_png_reads_back_the_same_pixels(self):
        image = x_image(5, 4, {(0, 0): (1, 2, 3), (4, 3): (250, 128, 0), (2, 1): (192, 192, 255)})
        image.write_png(self.path("x.png"))
        self.assertEqual(screen_image.read_png(self.path("x.png")).rgb(), image.rgb())

    def test_a_cropped_image_keeps_its_pixels(self):
        image = rgb_image(8, 6, seed=5)
        part = image.crop(2, 1, 3, 4)
        self.assertEqual((part.width, part.height), (3, 4))
        self.assertEqual(part.pixel(0, 0), image.pixel(2, 1))
        self.assertEqual(part.pixel(2, 3), image.pixel(4, 4))

    def test_bitmaps_stored_bottom_up_and_top_down_read_the_same(self):
        for bits in (24, 32):
            for top_down in (False, True):
                with self.subTest(bits=bits, top_down=top_down):
                    path = self.path("b.bmp")
                    write_bmp(path, [[(10, 20, 30), (40, 50, 60), (70, 80, 90)], [(1, 2, 3), (4, 5, 6), (7, 8, 9)]],
                              bits, top_down)
                    picture = screen_image.read_bmp(path)
                    self.assertEqual((picture.width, picture.height), (3, 2))
                    self.assertEqual(picture.pixel(0, 0), (10, 20, 30))
                    self.assertEqual(picture.pixel(2, 1), (7, 8, 9))

    def test_files_of_other_kinds_are_refused(self):
        with open(self.path("not.png"), "wb") as f:
            f.write(b"GIF89a")
        for read in (screen_image.read_png, screen_image.read_bmp):
            with self.subTest(read=read.__name__), self.assertRaises(screen_image.ImageError):
                read(self.path("not.png"))


def write_bmp(path, rows, bits, top_down):
    step = bits // 8
    width, height = len(rows[0]), len(rows)
    stride = (width * step + 3) // 4 * 4
    stored = rows if top_down else list(reversed(rows))
    pixels = b"".join(b"".join(bytes([b, g, r] + [0] * (step - 3)) for r, g, b in row).ljust(stride, b"\0")
                      for row in stored)
    header = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0, len(pixels),
                         2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + 40 + len(pixels), 0, 0, 54) + header + pixels)


class Pixels(unittest.TestCase):
    def test_a_run_is_found_only_whole_on_one_row_and_on_pixel_boundaries(self):
        blue = (0, 0, 255)
        cases = [
            ("at its place", {(2, 1): blue, (3, 1): blue, (4, 1): blue}, (2, 1)),
            ("too short", {(2, 1): blue, (3, 1): blue}, None),
            ("broken by the row's end", {(5, 0): blue, (0, 1): blue, (1, 1): blue}, None),
            ("the first of two", {(0, 3): blue, (1, 3): blue, (2, 3): blue, (3, 2): blue, (4, 2): blue,
                                  (5, 2): blue}, (3, 2)),
        ]
        for what, pixels, expected in cases:
            with self.subTest(what):
                self.assertEqual(x_image(6, 4, pixels).find_run(blue, 3), expected)

    def test_colour_bytes_straddling_two_pixels_are_no_run(self):
        # Blue is 255 0 0 in memory (b g r pad): here it starts at the first
        # pixel's pad byte and runs into the second pixel, which is (9, 0, 0).
        image = x_image(4, 1, {})
        image.data = bytes([1, 1, 1, 255, 0, 0, 9, 0]) + image.data[8:]
        self.assertIsNone(image.find_run((0, 0, 255), 1))
        self.assertEqual(image.pixel(1, 0), (9, 0, 0))

    def test_the_lit_box_bounds_every_non_black_pixel_of_the_rectangle(self):
        image = x_image(10, 8, {(3, 2): (1, 0, 0), (6, 5): (0, 0, 9), (9, 7): (255, 255, 255)})
        self.assertEqual(image.lit_box(0, 0, 8, 6), (3, 2, 6, 5))
        self.assertEqual(image.lit_box(4, 0, 5, 7), None)
        self.assertEqual(image.lit_box(0, 0, 9, 7), (3, 2, 9, 7))


def screen_with_game(origin, tile=None, tile_at=None, width=480, height=520):
    """A screen with the game's frame drawn with its client area at origin, and a tile picture in the well."""
    ox, oy = origin
    pixels = {}
    for x in range(18, 280):
        pixels[(ox + x, oy + 20)] = game_window.FRAME_LIGHT
    for x in range(18, 281):
        pixels[(ox + x, oy + 473)] = game_window.FRAME_BLUE
    if tile is not None:
        for y in range(tile.height):
            for x in range(tile.width):
                pixels[(ox + tile_at[0] + x, oy + tile_at[1] + y)] = tile.pixel(x, y)
    return x_image(width, height, pixels)


class GameWindow(unittest.TestCase):
    tile = Image(4, 3, bytes([0, 0, 0] * 4 + [9, 8, 7] * 4 + [200, 100, 50] * 4), 12, 3)  # black top row

    def test_the_window_is_found_by_its_frame_wherever_it_lies(self):
        for origin in ((0, 0), (30, 11), (57, 40)):
            with self.subTest(origin=origin):
                view = game_window.GameView.find(screen_with_game(origin))
                self.assertEqual(view.origin, origin)
                self.assertIsNone(view.tile_box())

    def test_no_window_without_the_frame_s_bottom_line(self):
        screen = screen_with_game((5, 5))
        data = bytearray(screen.data)
        at = (5 + 473) * screen.stride + 4 * (5 + 28)
        data[at:at + 3] = b"\0\0\0"
        screen.data = bytes(data)
        self.assertIsNone(game_window.GameView.find(screen))

    def test_a_tile_is_recognised_by_its_exact_picture(self):
        view = game_window.GameView.find(screen_with_game((12, 30), self.tile, (117, 55)))
        self.assertEqual(view.tile_box(), (117, 56, 120, 57))
        self.assertEqual(view.tile_showing(self.tile), (117, 55))
        other = Image(4, 3, bytes([0, 0, 0] * 4 + [9, 8, 7] * 4 + [200, 100, 51] * 4), 12, 3)
        self.assertIsNone(view.tile_showing(other))


LOG = """\
[1518180.001]  -> wl_compositor@4.create_surface(new id wl_surface@7)
[1518182.320]  -> xdg_wm_base@13.get_xdg_surface(new id xdg_surface@14, wl_surface@7)
[1518182.327]  -> xdg_surface@14.get_toplevel(new id xdg_toplevel@15)
[1518182.332]  -> xdg_toplevel@15.set_min_size(406, 498)
[1518182.336]  -> xdg_toplevel@15.set_max_size(406, 498)
[1518182.342]  -> xdg_toplevel@15.set_title("LexiDrop")
[1518182.348]  -> xdg_toplevel@15.set_app_id("org.lexidrop.LexiDrop")
qt.qpa.wayland: a line of Qt's own
[1518182.400]  -> wl_surface@7.commit()
[1518536.900]  -> wl_shm_pool@3.create_buffer(new id wl_buffer@19, 0, 412, 531, 1648, 0)
[1518536.910]  -> wl_shm_pool@3.create_buffer(new id wl_buffer@20, 0, 10, 10, 40, 0)
[1518536.920]  -> wl_surface@7.attach(wl_buffer@19, 0, 0)
[1518536.930]  -> wl_surface@7.commit()
[1518537.590] wl_surface@7.enter(wl_output@10)
"""


class ProtocolLog(unittest.TestCase):
    def test_the_toplevel_s_names_size_commits_and_output_are_read(self):
        tops = list(run_under_wayland.ProtocolLog(LOG).toplevels.values())
        self.assertEqual(len(tops), 1)
        top = tops[0]
        self.assertEqual((top.title, top.app_id), ("LexiDrop", "org.lexidrop.LexiDrop"))
        self.assertEqual((top.min_size, top.max_size), ((406, 498), (406, 498)))
        self.assertEqual(top.committed, [(412, 531)])
        self.assertTrue(top.on_output)

    def test_the_newer_libwayland_form_is_read_alike(self):
        # libwayland 1.23 names objects "interface#id" and writes the queue first.
        newer = re.sub(r"(\w)@(\d+)", r"\1#\2", LOG)
        newer = re.sub(r"^(\[[^]]*\]) ", r"\1 {Default Queue} ", newer, flags=re.M)
        self.assertIn("{Default Queue}  -> xdg_toplevel#15.set_app_id(", newer)
        tops = list(run_under_wayland.ProtocolLog(newer).toplevels.values())
        self.assertEqual(len(tops), 1)
        top = tops[0]
        self.assertEqual((top.title, top.app_id), ("LexiDrop", "org.lexidrop.LexiDrop"))
        self.assertEqual((top.min_size, top.max_size), ((406, 498), (406, 498)))
        self.assertEqual(top.committed, [(412, 531)])
        self.assertTrue(top.on_output)

    def test_a_commit_without_a_buffer_and_other_surfaces_do_not_count(self):
        log = LOG.replace("wl_surface@7.attach", "wl_surface@8.attach").replace(
            "wl_surface@7.enter", "wl_surface@8.enter")
        top = list(run_under_wayland.ProtocolLog(log).toplevels.values())[0]
        self.assertEqual(top.committed, [])
        self.assertFalse(top.on_output)

    def test_a_reused_buffer_id_has_the_size_of_its_latest_creation(self):
        log = LOG + """\
[1518600.000]  -> wl_shm_pool@21.create_buffer(new id wl_buffer@19, 0, 200, 100, 800, 0)
[1518600.010]  -> wl_surface@7.attach(wl_buffer@19, 0, 0)
[1518600.020]  -> wl_surface@7.commit()
"""
        top = list(run_under_wayland.ProtocolLog(log).toplevels.values())[0]
        self.assertEqual(top.committed, [(412, 531), (200, 100)])


if __name__ == "__main__":
    unittest.main()
