#!/usr/bin/env python3
"""Runs the real lexidrop program on a headless Wayland compositor, with
no X server within reach.

weston runs on its headless backend on a socket in a private
XDG_RUNTIME_DIR; the program, from a scratch copy of its directory, gets
QT_QPA_PLATFORM=wayland, no DISPLAY, and WAYLAND_DEBUG=1, so that its side
of the Wayland conversation is logged to its standard error.  The test
checks

- from that log: an xdg_toplevel titled "LexiDrop" with the app id of the
  desktop entry (org.lexidrop.LexiDrop), whose surface had a buffer of at
  least the window's fixed size attached and committed and was entered
  into the compositor's output;
- from weston's own screenshots: the window's frame on the output, the
  first tile showing exactly a.bmp in the spawn column, and a few ticks
  later the same tile lower by whole fall steps (the game's own geometry,
  from the facts file the build writes beside the programs);
- that the program is still running a few seconds later.
"""

import argparse
import os
import re
import sys
import time

from support import desktop_session, game_window, screen_image
from support.desktop_session import Failure, wait_for

APP_ID = "org.lexidrop.LexiDrop"
TITLE = "LexiDrop"
# One message of a WAYLAND_DEBUG log.  libwayland up to 1.22 (Debian 12)
# writes "[time]  -> interface@id.message(args)"; 1.23 (Debian 13) names an
# object "interface#id" and puts the queue, "{Default Queue}", before it;
# later ones write the time as hours, minutes and seconds.
PROTOCOL_LINE = re.compile(
    r"^\[\s*[\d.:]+\]\s+(?:\{[^}]*\}\s+)?(->\s+)?(\w+)[@#](\d+)\.(\w+)\((.*)\)\s*$")
# An object among a message's arguments, in either form.
OBJECT_ARGUMENT = re.compile(r"\w[@#](\d+)")


# -- what the protocol log shows -------------------------------------------

class Toplevel:
    """One xdg_toplevel of the program, as its requests and events tell it."""

    def __init__(self, surface):
        self.surface = surface
        self.title = self.app_id = self.min_size = self.max_size = None
        self.committed = []    # sizes of the buffers committed to its surface
        self.on_output = False
        self.evidence = []     # the log lines all this was read from


class ProtocolLog:
    """The toplevels in a WAYLAND_DEBUG=1 log of one client."""

    def __init__(self, text):
        self.toplevels = {}     # xdg_toplevel id -> Toplevel
        self._xdg_surfaces = {}  # xdg_surface id -> wl_surface id
        self._buffers = {}      # wl_buffer id -> (width, height)
        self._attached = {}     # wl_surface id -> size of the buffer attached, not yet committed
        for line in text.splitlines():
            found = PROTOCOL_LINE.match(line)
            if found:
                request, interface, number, message, args = found.groups()
                self._note(line.strip(), bool(request), interface, int(number), message, args)

    def _note(self, line, request, interface, number, message, args):
        ids = [int(n) for n in OBJECT_ARGUMENT.findall(args)]
        if request and (interface, message) == ("xdg_wm_base", "get_xdg_surface"):
            self._xdg_surfaces[ids[0]] = ids[1]
        elif request and (interface, message) == ("xdg_surface", "get_toplevel"):
            self.toplevels[ids[0]] = Toplevel(self._xdg_surfaces.get(number))
            self.toplevels[ids[0]].evidence.append(line)
        elif request and (interface, message) == ("wl_shm_pool", "create_buffer"):
            self._buffers[ids[0]] = tuple(int(n) for n in args.split(",")[2:4])
        elif interface == "xdg_toplevel" and number in self.toplevels:
            self._note_toplevel(self.toplevels[number], line, message, args)
        elif interface == "wl_surface":
            self._note_surface(line, request, number, message, ids)

    @staticmethod
    def _note_toplevel(top, line, message, args):
        if message in ("set_title", "set_app_id"):
            setattr(top, message[4:], args.strip('"'))
        elif message in ("set_min_size", "set_max_size"):
            setattr(top, message[4:], tuple(int(n) for n in args.split(",")))
        else:
            return
        top.evidence.append(line)

    def _note_surface(self, line, request, surface, message, ids):
        tops = [t for t in self.toplevels.values() if t.surface == surface]
        if request and message == "attach" and ids:
            self._attached[surface] = self._buffers.get(ids[0])
        elif request and message == "commit" and self._attached.get(surface):
            for top in tops:
                top.committed.append(self._attached[surface])
                top.evidence.append(line + "  # buffer %dx%d" % self._attached[surface])
            self._attached[surface] = None
        elif not request and message == "enter":
            for top in tops:
                top.on_output = True
                top.evidence.append(line)


# -- set-up ----------------------------------------------------------------

def start_game(session, bindir):
    """The program from a scratch copy of bindir, speaking Wayland only, its protocol logged."""
    here = game_window.copy_program(bindir, os.path.join(session.scratch, "bin"))
    game = session.start([os.path.join(here, "lexidrop")], cwd=session.scratch,
                         env={"WAYLAND_DEBUG": "1", "DISPLAY": None, "QT_QPA_PLATFORM": "wayland"})
    return game, screen_image.read_bmp(os.path.join(here, "a.bmp"))


# -- check -----------------------------------------------------------------

def check_no_x_server(game):
    with open("/proc/%d/environ" % game.pid, "rb") as f:
        names = [entry.split(b"=", 1)[0] for entry in f.read().split(b"\0")]
    if b"DISPLAY" in names:
        raise Failure("the program was given a DISPLAY")
    print("no DISPLAY in the program's environment; QT_QPA_PLATFORM=wayland")


def shown_toplevel(game):
    """Our window's toplevel once it was committed at its full size and entered the output."""
    game.alive()
    for top in ProtocolLog(game.stderr()).toplevels.values():
        if top.app_id == APP_ID and top.on_output and top.max_size and any(
                w >= top.max_size[0] and h >= top.max_size[1] for w, h in top.committed):
            return top
    return None


def check_toplevel(game):
    try:
        top = wait_for("a toplevel with app id %s shown on the output" % APP_ID, lambda: shown_toplevel(game), 60)
    except Failure:
        ids = [t.app_id for t in ProtocolLog(game.stderr()).toplevels.values()]
        raise Failure("no toplevel with app id %s was shown; app ids seen: %s" % (APP_ID, ids)) from None
    print("the protocol log shows:\n  " + "\n  ".join(top.evidence[:12]))
    if top.title != TITLE or top.min_size != top.max_size:
        raise Failure("toplevel titled %r, min size %s, max size %s" % (top.title, top.min_size, top.max_size))


def first_tile(session, game, a):
    """(corner of the tile showing a.bmp, screen origin of the window), or None."""
    game.alive()
    view = game_window.GameView.find(session.screenshot())
    corner = view and view.tile_showing(a)
    return (corner, view.origin) if corner else None


def check_tile_falls(session, game, a, geometry):
    first, origin = wait_for("the window with its first tile (a.bmp) on the output",
                             lambda: first_tile(session, game, a), 30, interval=0.2)
    print("window's client area at", origin, "on weston's output; tile a.bmp at", first)
    if first[0] != geometry.SpawnLeft:
        raise Failure("the first tile is not in column %d: %s" % (geometry.SpawnColumn, first))

    def fallen():
        found = first_tile(session, game, a)
        return found if found and found[0][1] > first[1] else None
    later, _ = wait_for("the tile to fall", fallen, 10, interval=0.2)
    print("a later screenshot shows it at", later)
    if later[0] != first[0] or (later[1] - first[1]) % geometry.FallStep:
        raise Failure("the tile did not fall by whole steps of %d pixels: %s -> %s"
                      % (geometry.FallStep, first, later))


def check_keeps_running(game, seconds):
    time.sleep(seconds)
    game.alive()
    print("still running after %s s" % seconds)


# -- main ------------------------------------------------------------------

def run(args):
    geometry = game_window.read_geometry(args.bindir)
    with desktop_session.WaylandSession() as session:
        game, a = start_game(session, args.bindir)
        check_no_x_server(game)
        check_toplevel(game)
        check_tile_falls(session, game, a, geometry)
        check_keeps_running(game, args.run_seconds)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("bindir", help="the build's bin directory (the programs and the geometry they were built with)")
    parser.add_argument("--run-seconds", type=float, default=5)
    args = parser.parse_args()
    return desktop_session.run_checks(run, args, ("weston", "weston-screenshooter"))


if __name__ == "__main__":
    sys.exit(main())
