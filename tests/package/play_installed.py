#!/usr/bin/env python3
"""Plays an installed LexiDrop as a player would, in a session of its own.

The program is the installed one (by default /usr/games/lexidrop, its
letter pictures in ../share/lexidrop beside its directory), started from
another directory with a fresh home of its own.

x11: on a private Xvfb with openbox managing the windows, and no
XDG_DATA_HOME.  The player reads each new tile's letter and the resting
tiles off the screen, and steers with real X key events, choosing columns
where the tile completes a three-letter word of the game's list (downward
from it or along its row) or leaves a likely end of one, until a word
scores: its tiles vanish from the well.  Then it lets the tiles pile up in
the middle column until the game ends, answers "You Lose" and types a
name.  It checks that the table was written in ~/.local/share/lexidrop with
that name first and a score above 0.

wayland: on a headless weston, with no X server reachable and
XDG_DATA_HOME set.  It checks that the window shows its first tile
(a.bmp, pixel for pixel) in the middle column and that the tile falls, and
that the table was created in $XDG_DATA_HOME/lexidrop.  A headless weston
takes input from no one outside it, so the keys are played on X.

Both check that no letter picture was reported missing and that nothing
was written beside the program or its pictures.
"""

import argparse
import os
import sys
import time

from support import desktop_session, game_window, screen_image
from support.desktop_session import Failure, wait_for

MAIN_TITLE = "LexiDrop"
LOSE_TITLE = "lexidrop"     # the "You Lose" box
PROMPT_TITLE = "Lexidrop"   # the name prompt
PLAYER = "Tester"
MISSING_REPORT = "cannot read the tile picture"
EMPTY_TABLE_BYTES = 70      # ten places of "" and 0, CR LF each

# The well, in client coordinates (game/geometry.h): 8 columns of 32 pixels
# from x = 21; row r's top is 32 r - 9, rows 1 to 14 inside the well; a new
# tile appears in column 3, row 1.
COLUMNS, TOP_ROW, FLOOR_ROW, TILE = 8, 1, 14, 32
SPAWN_COLUMN = 3
SPAWN_LEFT, SPAWN_TOP = 21 + TILE * SPAWN_COLUMN, TILE * TOP_ROW - 9
FALL_STEP = 8               # pixels a tile sinks per tick, and what every move is a multiple of
NEW_TILE_ZONE = (SPAWN_TOP, SPAWN_TOP + 3 * TILE - 1)  # the top three rows: where a new tile is read
DROP_STEP = 16              # pixels a Down key pushes the tile
HIGHEST_STACK = 10          # the player keeps every column below this


def cell_corner(column, row):
    return 21 + TILE * column, TILE * row - 9


# -- reading the well --------------------------------------------------------

class Reader:
    """Tells which letter picture, if any, a cell of the well shows exactly."""

    PROBE_ROW = 16  # a row through the glyph, to narrow the candidates quickly

    def __init__(self, letters):
        self.letters = letters
        self.by_probe = {}
        for letter, picture in letters.items():
            self.by_probe.setdefault(picture.rgb_row(self.PROBE_ROW), []).append(letter)

    def letter_at(self, view, column, row):
        return self.letter_shown(view, *cell_corner(column, row))

    def letter_shown(self, view, left, top):
        """The letter whose picture the view shows exactly with its corner at (left, top), or None."""
        x, y = view.origin[0] + left, view.origin[1] + top
        if x < 0 or y < 0 or y + TILE > view.image.height or x + TILE > view.image.width:
            return None
        for letter in self.by_probe.get(view.image.rgb_row(y + self.PROBE_ROW, x, TILE), ()):
            if view.shows(self.letters[letter], left, top):
                return letter
        return None

    def well(self, view):
        """{(column, row): letter} of every cell that shows a letter exactly."""
        return {(c, r): letter for c in range(COLUMNS) for r in range(TOP_ROW, FLOOR_ROW + 1)
                for letter in [self.letter_at(view, c, r)] if letter}


def stack(cells, column):
    """The resting letters of a column, top down."""
    return [cells[(column, r)] for r in range(TOP_ROW, FLOOR_ROW + 1) if (column, r) in cells]


# -- choosing where a tile goes ----------------------------------------------

class Player:
    """Chooses a column for each letter from the three-letter words."""

    def __init__(self, words):
        self.words = words
        # How many letters x make x + pair a word: how good an end a pair is.
        self.ends = {}
        for word in words:
            self.ends[word[1:]] = self.ends.get(word[1:], 0) + 1

    def completes(self, letter, cells, column):
        """The word the letter would complete landing in the column, or None."""
        below = stack(cells, column)
        if len(below) >= 2 and letter + below[0] + below[1] in self.words:
            return letter + below[0] + below[1]
        row = FLOOR_ROW - len(below)
        line = {c: cells.get((c, row)) for c in range(COLUMNS)}
        line[column] = letter
        for first in range(column - 2, column + 1):
            if first >= 0 and first + 2 < COLUMNS:
                run = [line[c] for c in range(first, first + 3)]
                if all(run) and "".join(run) in self.words:
                    return "".join(run)
        return None

    def choose(self, letter, cells):
        """(column, the word it completes or None)."""
        best = None
        for column in range(COLUMNS):
            below = stack(cells, column)
            if len(below) >= HIGHEST_STACK:
                continue
            word = self.completes(letter, cells, column)
            value = 1000 if word else (self.ends.get(letter + below[0], 0) if below else 1)
            key = (value, -len(below), -abs(column - SPAWN_COLUMN))
            if best is None or key > best[0]:
                best = (key, column, word)
        if best is None:
            raise Failure("every column is full: no word scored in this game")
        return best[1], best[2]


# -- the game on X -------------------------------------------------------------

class Game:
    """The running program, its window and what the player sees of it."""

    def __init__(self, session, program, window, reader):
        self.session, self.program, self.window, self.reader = session, program, window, reader

    def view(self):
        self.program.alive()
        return game_window.GameView.find(self.session.screenshot())

    def boxes(self):
        return [(w, t) for w, t in self.session.program_windows(self.program) if w != self.window]

    def new_tile(self, timeout=30):
        """(letter, resting cells, its top) once a new tile falls in the top rows of
        the middle column.  A tile sinks by whole steps of 8 pixels, so it
        is found at one of a few places; resting tiles are read where a
        cell is."""
        def spawned():
            view = self.view()
            if not view:
                return None
            for top in range(SPAWN_TOP, NEW_TILE_ZONE[1] - TILE + 2, FALL_STEP):
                letter = self.reader.letter_shown(view, SPAWN_LEFT, top)
                if letter:
                    cells = self.reader.well(view)
                    # The falling tile itself, where it happens to stand on a cell.
                    for row in range(TOP_ROW, FLOOR_ROW + 1):
                        if cell_corner(SPAWN_COLUMN, row)[1] <= top:
                            cells.pop((SPAWN_COLUMN, row), None)
                    return letter, cells, top
            return None
        return wait_for("a new tile", spawned, timeout, interval=0.03)

    def tile_left_top_rows(self, timeout=10):
        """Waits until nothing shows in the top rows of the middle column."""
        def clear():
            view = self.view()
            if not view:
                return False
            top, bottom = NEW_TILE_ZONE
            return view.image.lit_box(view.origin[0] + SPAWN_LEFT, view.origin[1] + top,
                                      view.origin[0] + SPAWN_LEFT + TILE - 1, view.origin[1] + bottom) is None
        wait_for("the tile to leave the top rows", clear, timeout, interval=0.03)

    def steer(self, column, cells, top):
        """Moves the tile to the column and pushes it down to just above where it lands."""
        shift = column - SPAWN_COLUMN
        keys = ["Left" if shift < 0 else "Right"] * abs(shift)
        landing_top = cell_corner(column, FLOOR_ROW - len(stack(cells, column)))[1]
        # Short of the landing by two steps, for the ticks that pass while
        # the keys go, so that no key is left over for the next tile; the
        # tile falls the rest by itself.
        keys += ["Down"] * max(0, (landing_top - top) // DROP_STEP - 2)
        if keys:
            self.session.key(*keys, clear_modifiers=False)


def play_until_a_word(game, player, most_tiles):
    """Plays tiles until a word scores; returns the word expected and the tiles played."""
    letter, cells, top = game.new_tile()
    for played in range(1, most_tiles + 1):
        column, word = player.choose(letter, cells)
        print("tile %d: %s to column %d%s" % (played, letter, column, ", completing " + word if word else ""),
              flush=True)
        before = len(cells)
        game.steer(column, cells, top)
        game.tile_left_top_rows()
        letter, cells, top = game.new_tile()
        if len(cells) <= before:
            print("a word scored: %d tiles rest in the well after %d played, %d before the last" % (
                len(cells), played, before), flush=True)
            return played
    raise Failure("no word scored in %d tiles" % most_tiles)


def lose(game, timeout=180):
    """Lets the tiles pile up in the middle column until the game ends."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for window, title in game.boxes():
            if title == LOSE_TITLE:
                return window
        game.session.key("Down", "Down", "Down", "Down", clear_modifiers=False)
        time.sleep(0.1)
    raise Failure("the game did not end within %d s of tiles piled in one column" % timeout)


def answer_boxes(game, lose_box):
    game.session.activate(lose_box)
    game.session.key("Return")
    print('answered "You Lose"', flush=True)
    prompt = wait_for("the name prompt", lambda: next(
        (w for w, t in game.boxes() if t == PROMPT_TITLE), None), 10, interval=0.1)
    game.session.activate(prompt)
    game.session.type(PLAYER)
    game.session.key("Return")
    wait_for("the name prompt to close", lambda: all(w != prompt for w, _ in game.boxes()), 10)
    print("typed the name", PLAYER, flush=True)


def check_table(path, name):
    def written():
        try:
            with open(path, "rb") as f:
                lines = f.read().split(b"\r\n")
        except OSError:
            return None
        return lines if len(lines) >= 2 and lines[0] == b'"%s"' % name.encode() else None
    lines = wait_for("%s to hold %s's score" % (path, name), written, 10, interval=0.1)
    score = int(lines[1])
    if score <= 0:
        raise Failure("%s entered the table with %d points" % (name, score))
    print("%s: %s first with %d points" % (path, name, score))


def run_x11(args, letters, words):
    reader, player = Reader(letters), Player(words)
    with desktop_session.XSession(window_manager=True) as session:
        home = os.path.join(session.scratch, "home")
        os.mkdir(home)
        unset = {k: None for k in session.env if k.startswith(("XDG_", "LEXIDROP_"))}
        program = session.start([args.program], cwd=home, env=dict(unset, HOME=home))
        window = session.wait_for_window(MAIN_TITLE, program)
        session.activate(window)
        print("window", window, "on", session.display, flush=True)
        table = os.path.join(home, ".local", "share", "lexidrop", "hs.txt")
        wait_for("hs.txt in the player's data directory", lambda: program.alive() and os.path.exists(table), 10)
        game = Game(session, program, window, reader)
        played = play_until_a_word(game, player, args.most_tiles)
        answer_boxes(game, lose(game))
        check_table(table, PLAYER)
        check_quiet(program)
        print("played %d tiles to the first word" % played)


# -- the game on Wayland -------------------------------------------------------

def run_wayland(args, letters, words):
    with desktop_session.WaylandSession() as session:
        home, data = (os.path.join(session.scratch, d) for d in ("home", "data"))
        os.mkdir(home)
        os.mkdir(data)
        program = session.start([args.program], cwd=home,
                                env={"HOME": home, "XDG_DATA_HOME": data, "DISPLAY": None})

        def first_tile():
            program.alive()
            view = game_window.GameView.find(session.screenshot())
            corner = view and view.tile_showing(letters["a"])
            return corner
        first = wait_for("the window with its first tile (a.bmp) on weston's output", first_tile, 30, interval=0.2)
        print("the window shows a.bmp at", first, "on weston's output", flush=True)
        if first[0] != cell_corner(SPAWN_COLUMN, TOP_ROW)[0]:
            raise Failure("the first tile is not in the middle column: %s" % (first,))
        later = wait_for("the tile to fall", lambda: (lambda c: c if c and c[1] > first[1] else None)(first_tile()),
                         10, interval=0.2)
        print("a later screenshot shows it at", later)
        table = os.path.join(data, "lexidrop", "hs.txt")
        wait_for("hs.txt in $XDG_DATA_HOME/lexidrop", lambda: program.alive() and os.path.exists(table)
                 and os.path.getsize(table) == EMPTY_TABLE_BYTES, 10)
        print("%s created with %d bytes" % (table, EMPTY_TABLE_BYTES))
        check_quiet(program)


# -- common --------------------------------------------------------------------

def check_quiet(program):
    program.alive()
    if MISSING_REPORT in program.stderr():
        raise Failure("a letter picture was reported missing:\n" + program.stderr())


def check_untouched(program_path, letters_dir):
    for directory in (os.path.dirname(program_path), letters_dir):
        if os.path.exists(os.path.join(directory, "hs.txt")):
            raise Failure("the program wrote hs.txt into " + directory)
    print("nothing written beside the program or its pictures")


def read_words(path):
    with open(path) as f:
        words = {w.strip() for w in f if len(w.strip()) == 3 and w.strip().isalpha()}
    if len(words) < 100:
        raise Failure("%s holds only %d three-letter words" % (path, len(words)))
    return words


def run(args):
    letters_dir = args.letters or os.path.join(os.path.dirname(os.path.dirname(args.program)), "share", "lexidrop")
    letters = {c: screen_image.read_bmp(os.path.join(letters_dir, c + ".bmp")) for c in game_window.LETTERS}
    words = read_words(args.words)
    (run_x11 if args.session == "x11" else run_wayland)(args, letters, words)
    check_untouched(args.program, letters_dir)
    return 0


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("session", choices=("x11", "wayland"))
    parser.add_argument("--program", default="/usr/games/lexidrop", type=os.path.abspath)
    parser.add_argument("--letters", type=os.path.abspath,
                        help="the installed letter pictures (default: ../share/lexidrop from the program's directory)")
    parser.add_argument("--words", default=os.path.join(here, "..", "..", "dictionary", "words3.txt"),
                        help="the game's three-letter words")
    parser.add_argument("--most-tiles", type=int, default=150)
    args = parser.parse_args()
    tools = ("Xvfb", "xdotool", "xprop", "openbox") if args.session == "x11" else ("weston", "weston-screenshooter")
    return desktop_session.run_checks(run, args, tools)


if __name__ == "__main__":
    sys.exit(main())
