#!/usr/bin/env python3
"""Runs the real lexidrop program on a private X server.

Test mode (the default) copies the program and its letter bitmaps to a
scratch directory, deletes q.bmp there, and checks that the window titled
"LexiDrop" appears with the class its desktop entry names (X11 shells
match window and entry by StartupWMClass), that hs.txt is created
beside the executable with 70 bytes, that a tile falls, that the Left key
moves it one column, that the program is still running a few seconds
later, and that it never loaded an image plugin.

Screenshot mode (--screenshot FILE) plays a few keys and saves the window
as a PNG.
"""

import argparse
import os
import sys
import time

from support import desktop_session, game_window
from support.desktop_session import Failure, wait_for

WINDOW_CLASS = '"lexidrop", "lexidrop"'  # WM_CLASS: instance and class


# -- set-up ----------------------------------------------------------------

def prepare(session, bindir, keep_all_letters):
    """A scratch copy of the program directory; without q.bmp unless keep_all_letters."""
    here = game_window.copy_program(bindir, os.path.join(session.scratch, "bin"))
    letters = [n for n in os.listdir(here) if n.endswith(".bmp")]
    if len(letters) < 26:
        raise Failure("only %d letter bitmaps beside the program" % len(letters))
    if not keep_all_letters:
        os.remove(os.path.join(here, "q.bmp"))
    return here


def start_game(session, here):
    """Starts the copy and gives its window the keyboard; returns (program, window)."""
    game = session.start([os.path.join(here, "lexidrop")], cwd=session.scratch)
    window = session.wait_for_window("LexiDrop", game)
    print("window", window, "on", session.display)
    # Keys go to the window that has the X input focus; there is no window
    # manager to give it.
    session.focus(window)
    return game, window


# -- act -------------------------------------------------------------------

def play_short_game(session, game, geometry):
    """Tiles steered to several columns and pushed down."""
    def press(key, times, pause):
        for _ in range(times):
            game.alive()
            session.key(key, clear_modifiers=False)
            time.sleep(pause)

    for column in (0, 7, 1, 6, 3, 2, 5, 4, 0, 3):
        time.sleep(0.6)  # the next tile spawns
        shift = column - geometry.SpawnColumn
        press("Left" if shift < 0 else "Right", abs(shift), 0.05)
        press("Down", 24, 0.06)
        time.sleep(1.4)  # the last steps to the floor or the stack
    press("Right", 2, 0.05)
    press("Down", 10, 0.06)


def save_window(session, game, window, path):
    game.alive()
    session.screenshot().crop(*session.window_geometry(window)).write_png(path)
    print("saved", path)


# -- check -----------------------------------------------------------------

def check_window_class(session, window):
    found = session.window_property(window, "WM_CLASS")
    print("WM_CLASS", found)
    if found != WINDOW_CLASS:
        raise Failure("the window's class is %s, not %s" % (found, WINDOW_CLASS))


def check_scores_file(game, here):
    hs = os.path.join(here, "hs.txt")
    wait_for("hs.txt beside the executable",
             lambda: game.alive() and os.path.exists(hs) and os.path.getsize(hs) == 70, 10)
    print("hs.txt created with", os.path.getsize(hs), "bytes")


def tile_box(session, game):
    game.alive()
    view = game_window.GameView.find(session.screenshot())
    return view and view.tile_box()


def check_first_tile(session, game, geometry):
    first = wait_for("a tile in the well", lambda: tile_box(session, game), 10)
    print("tile at", first)
    if first[0] != geometry.SpawnLeft or first[2] != geometry.SpawnLeft + geometry.TileSize - 1:
        raise Failure("the first tile is not in column %d: %s" % (geometry.SpawnColumn, first))
    return first


def check_tile_falls(session, game, first, geometry):
    def fallen():
        box = tile_box(session, game)
        return box if box and box[1] > first[1] else None
    box = wait_for("the tile to fall", fallen, 5)
    print("tile fell to", box)
    # The tile slides down by copying its pixels: nothing of it may stay behind.
    if box[3] - box[1] != geometry.TileSize - 1:
        raise Failure("the falling tile is not %d pixels tall on screen: %s" % (geometry.TileSize, box))


def check_no_image_plugins(game):
    """Bitmaps are read as BMP, and the style skips the one picture of
    unstated format: no image plugin is ever loaded."""
    with open("/proc/%d/maps" % game.pid) as maps:
        plugins = sorted({line.split()[-1] for line in maps if "/imageformats/" in line})
    if plugins:
        raise Failure("image plugins loaded: %s" % ", ".join(plugins))
    print("no image plugin loaded")


def check_left_moves_tile(session, game, first, geometry):
    session.key("Left", clear_modifiers=False)

    def moved():
        box = tile_box(session, game)
        return box if box and box[0] != first[0] else None
    after = wait_for("the tile to move", moved, 5)
    print("after Left:", after)
    if after[0] != first[0] - geometry.TileSize or after[2] - after[0] != geometry.TileSize - 1:
        raise Failure("Left did not move the tile by one column: %s -> %s" % (first, after))


def check_keeps_running(game, seconds):
    time.sleep(seconds)
    game.alive()
    print("still running after %s s without q.bmp" % seconds)


# -- main ------------------------------------------------------------------

def run(args):
    geometry = game_window.read_geometry(args.bindir)
    with desktop_session.XSession() as session:
        here = prepare(session, args.bindir, keep_all_letters=bool(args.screenshot))
        game, window = start_game(session, here)
        if args.screenshot:
            play_short_game(session, game, geometry)
            save_window(session, game, window, args.screenshot)
            return 0
        check_window_class(session, window)
        check_scores_file(game, here)
        first = check_first_tile(session, game, geometry)
        check_tile_falls(session, game, first, geometry)
        check_left_moves_tile(session, game, first, geometry)
        check_keeps_running(game, args.run_seconds)
        check_no_image_plugins(game)
        return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("bindir", help="the build's bin directory")
    parser.add_argument("--screenshot", metavar="FILE", help="save a screenshot instead of testing")
    parser.add_argument("--run-seconds", type=float, default=6)
    args = parser.parse_args()
    return desktop_session.run_checks(run, args, ("Xvfb", "xdotool", "xprop"))


if __name__ == "__main__":
    sys.exit(main())
