"""The game as the window scripts see it from outside: the files of its
program directory, and its window found on a screenshot.

The window is found by the well's bevelled frame, whatever the window
manager or compositor did with it: the frame's light outer top line is the
first run of 200 light blue pixels on the screen, and the blue outer bottom
line lies 453 rows below it.  Everything else is then read in the window's
client coordinates (origin at the top-left corner of the area below the
menu bar).

Where tiles stand and how they move is the game's own geometry
(game/geometry.h), which the build writes beside the programs; a script
given the programs' directory reads it with read_geometry.  Finding the
window and its tiles needs none of it, so the installed game (no build
beside it) is read the same way.
"""

import os
import re
import shutil
import types

from .desktop_session import Failure

# The frame as the window draws it (ui/surface.cpp): three lines thick,
# outer, middle and inner, around the well's inside.
FRAME_LIGHT, FRAME_BLUE = (192, 192, 255), (0, 0, 255)
FRAME_CORNER = (18, 20)       # left end of the light outer top line
FRAME_BOTTOM = 473            # the blue outer bottom line
FRAME_WIDTH = 3
LETTERS = "abcdefghijklmnopqrstuvwxyz"
# The file of the geometry's facts, one NAME=VALUE line each.
GEOMETRY_FILE = "lexidrop-geometry.txt"


def read_geometry(bindir):
    """The well's geometry the programs in bindir were built with, from the
    facts file beside them: its numbers as attributes named as in
    game/geometry.h (TileSize, SpawnColumn, SpawnLeft, FallStep, ...)."""
    path = os.path.join(bindir, GEOMETRY_FILE)
    try:
        with open(path) as f:
            lines = f.read().splitlines()
    except OSError as error:
        raise Failure("no geometry beside the programs (the build's lexidrop_geometry target writes it): %s"
                      % error) from None
    facts = {}
    for line in lines:
        name, equals, value = line.partition("=")
        if not equals or not name.isidentifier() or not value.lstrip("-").isdigit():
            raise Failure("%s: not a NAME=VALUE line: %r" % (path, line))
        facts[name] = int(value)
    return types.SimpleNamespace(**facts)


def copy_program(bindir, target, programs=("lexidrop",)):
    """Copies the named programs and the letter bitmaps a.bmp .. z.bmp of
    bindir into target (made if missing); returns target."""
    os.makedirs(target, exist_ok=True)
    for name in os.listdir(bindir):
        if name in programs or re.fullmatch(r"[a-z]\.bmp", name):
            shutil.copy2(os.path.join(bindir, name), target)
    return target


class GameView:
    """The game window on one screenshot, read in client coordinates."""

    def __init__(self, image, origin):
        self.image = image
        self.origin = origin  # the client area's top-left corner on the screen

    @classmethod
    def find(cls, image):
        """The game window on the screenshot, or None when its frame is not (yet) drawn."""
        at = image.find_run(FRAME_LIGHT, 200)
        if at is None:
            return None
        x, y = at
        bottom = y + FRAME_BOTTOM - FRAME_CORNER[1]
        if bottom >= image.height or image.pixel(x + 10, bottom) != FRAME_BLUE:
            return None
        return cls(image, (x - FRAME_CORNER[0], y - FRAME_CORNER[1]))

    def pixel(self, x, y):
        return self.image.pixel(self.origin[0] + x, self.origin[1] + y)

    def inside(self):
        """(left, top, right, bottom) of what the frame encloses, edges
        included: its width read off the outer bottom line, which no tile
        ever covers."""
        x, y = self.origin[0] + FRAME_CORNER[0], self.origin[1] + FRAME_BOTTOM
        while x + 1 < self.image.width and self.image.pixel(x + 1, y) == FRAME_BLUE:
            x += 1
        right = x - self.origin[0]
        return (FRAME_CORNER[0] + FRAME_WIDTH, FRAME_CORNER[1] + FRAME_WIDTH,
                right - FRAME_WIDTH, FRAME_BOTTOM - FRAME_WIDTH)

    def tile_box(self):
        """(left, top, right, bottom) of everything in the well, or None when it is empty."""
        dx, dy = self.origin
        left, top, right, bottom = self.inside()
        box = self.image.lit_box(left + dx, top + dy, right + dx, bottom + dy)
        if box is None:
            return None
        return box[0] - dx, box[1] - dy, box[2] - dx, box[3] - dy

    def shows(self, picture, left, top):
        """Whether the picture is shown exactly with its corner at client (left, top)."""
        return self.image.shows(picture, self.origin[0] + left, self.origin[1] + top)

    def tile_showing(self, picture):
        """The corner of the well's one tile when it shows exactly that picture, else None."""
        box = self.tile_box()
        lit = picture.lit_box(0, 0, picture.width - 1, picture.height - 1)
        if box is None or lit is None:
            return None
        corner = (box[0] - lit[0], box[1] - lit[1])
        return corner if self.shows(picture, *corner) else None
