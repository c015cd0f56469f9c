#!/usr/bin/env python3
"""Plays the real game in a real window for a long time, from outside.

On a private Xvfb with openbox managing the windows, the program (run from
a scratch copy of its directory) is played with xdotool for MINUTES:
random arrow keys, many of them Down so that games end; the Help and About
menus opened with Alt+H / Alt+A and with mouse clicks, and shut with
Escape; the help and about windows opened from the menus and closed
through the window manager (Alt+F4); the focus moved to another program's
window (an xmessage) and back.  Every "You Lose" box is answered with
Return, every name prompt gets a random name typed and Return.

It fails if the program dies, if a box stays unanswered, if hs.txt is not
whole after the end (twenty lines, each ending CR LF: a quoted name and
its decimal score, place by place, scores never rising), or, when at
least MIN_GAMES games ended, if the resident memory after the last game
is more than 10 % above that after the first.  At the end the main window
is closed through the window manager and must exit with status 0.
"""

import argparse
import os
import random
import re
import sys
import time

from support import desktop_session, game_window
from support.desktop_session import Failure, wait_for

MAIN_TITLE = "LexiDrop"
LOSE_TITLE = "lexidrop"       # the "You Lose" box
PROMPT_TITLE = "Lexidrop"     # the name prompt
HELP_TITLE = "Form2"
ABOUT_TITLE = "Feel free to contact me"
NAME_CHARACTERS = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -_.,"
ACTIONS = {"down": 45, "sideways": 25, "menu_key": 6, "menu_click": 4, "open_window": 8, "close_window": 6,
           "focus_away": 6}  # weights


class Soak:
    """The player and the desktop around the running game."""

    def __init__(self, session, game, main, other, rng):
        self.session, self.game, self.main, self.other, self.rng = session, game, main, other, rng
        self.games = 0
        self.names = []
        self.rss_after_game = []
        self.actions = {}

    def key(self, *keys):
        self.game.alive()
        self.session.key(*keys)

    def windows(self):
        """(id, exact title) of every mapped window of the program."""
        return self.session.program_windows(self.game)

    def activate(self, window):
        self.session.activate(window)

    # -- the boxes at the end of a game ----------------------------------

    def answer_boxes(self):
        """Answers a "You Lose" box or a name prompt if one is showing; True if it did."""
        for window, title in self.windows():
            if title == LOSE_TITLE and window != self.main:
                self.answer_lose(window)
                return True
            if title == PROMPT_TITLE and window != self.main:
                self.answer_prompt(window)
                return True
        return False

    def answer_lose(self, window):
        self.activate(window)
        self.key("Return")
        self.games += 1
        self.wait_gone(window, "the You Lose box")
        time.sleep(0.3)  # a name prompt may follow
        if not any(t == PROMPT_TITLE for _, t in self.windows()):
            self.after_game()

    def answer_prompt(self, window):
        name = "".join(self.rng.choice(NAME_CHARACTERS) for _ in range(self.rng.randint(1, 12))).strip()
        self.activate(window)
        self.session.type(name)
        self.key("Return")
        self.names.append(name)
        self.wait_gone(window, "the name prompt")
        self.after_game()

    def wait_gone(self, window, what):
        try:
            wait_for(what + " to close", lambda: all(w != window for w, _ in self.windows()), 10)
        except Failure:
            raise Failure(what + " did not close on Return") from None

    def after_game(self):
        time.sleep(0.5)
        self.game.alive()
        self.rss_after_game.append(self.game.rss_kib())
        print("game %d over, RSS %d KiB, names so far %d" % (self.games, self.rss_after_game[-1], len(self.names)),
              flush=True)
        self.activate(self.main)

    # -- one random thing a player or the desktop does -------------------

    def act(self):
        titles = dict((t, w) for w, t in self.windows())
        choice = self.rng.choices(list(ACTIONS), weights=list(ACTIONS.values()))[0]
        self.actions[choice] = self.actions.get(choice, 0) + 1
        if choice in ("down", "sideways", "menu_key", "open_window"):
            self.activate(self.main)
        getattr(self, "act_" + choice)(titles)

    def act_down(self, titles):
        self.key(*["Down"] * self.rng.randint(5, 25))

    def act_sideways(self, titles):
        arrow = self.rng.choice(["Left", "Right"])
        back = "Right" if arrow == "Left" else "Left"
        steps = self.rng.randint(1, 3)
        self.key(*[arrow] * steps)
        time.sleep(self.rng.uniform(0.05, 0.4))
        if self.rng.random() < 0.8:  # mostly back to column 3, so that games end
            self.key(*[back] * steps)

    def act_menu_key(self, titles):
        self.key(self.rng.choice(["alt+h", "alt+a"]))
        time.sleep(self.rng.uniform(0.1, 0.5))
        self.key("Escape")

    def act_menu_click(self, titles):
        self.activate(self.main)
        x = self.rng.choice([15, 55])  # over "Help" or "About" on the menu bar
        self.session.xdotool("mousemove", "--window", self.main, x, 10, "click", "1")
        time.sleep(self.rng.uniform(0.1, 0.5))
        self.key("Escape")

    def act_open_window(self, titles):
        self.key(self.rng.choice(["alt+h", "alt+a"]))
        time.sleep(0.2)
        self.key("Return")  # the menu's one item

    def act_close_window(self, titles):
        for title in (HELP_TITLE, ABOUT_TITLE):
            if title in titles:
                self.activate(titles[title])
                self.key("alt+F4")
                break

    def act_focus_away(self, titles):
        self.activate(self.other)
        time.sleep(self.rng.uniform(0.1, 1.0))
        self.activate(self.main)


# -- set-up ----------------------------------------------------------------

def start(session, bindir, rng):
    """The game from a scratch copy of bindir and another program's window beside it."""
    here = game_window.copy_program(bindir, os.path.join(session.scratch, "bin"))
    other = session.start(["xmessage", "-name", "soak_other", "another program"])
    game = session.start([os.path.join(here, "lexidrop")], cwd=session.scratch)
    main = session.wait_for_window(MAIN_TITLE, game)
    # xmessage does not give its pid to the window; its instance name is ours.
    others = wait_for("the other program's window", lambda: other.alive() and session.windows(
        "--classname", "^soak_other$"), 20, interval=0.1)
    soak = Soak(session, game, main, others[0], rng)
    soak.activate(main)
    return soak, os.path.join(here, "hs.txt")


# -- act -------------------------------------------------------------------

def play(soak, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if soak.answer_boxes():
            continue
        soak.act()
        time.sleep(soak.rng.uniform(0.02, 0.3))
        soak.game.alive()
    # Answer a box that came at the very end.
    while soak.answer_boxes():
        pass
    soak.game.alive()


def close_game(soak):
    """Closes the game as a desktop would: the program ends with its last
    window, so the help and about windows first, through the window
    manager, then the game's own.  Returns its exit status."""
    for window, title in soak.windows():
        if window != soak.main:
            soak.activate(window)
            soak.key("alt+F4")
    soak.activate(soak.main)
    soak.key("Escape")  # a menu left open would take the next key
    soak.key("alt+F4")
    try:
        return soak.game.wait(20)
    except Failure:
        raise Failure("lexidrop did not exit after its window was closed") from None


# -- check -----------------------------------------------------------------

def check_table(path):
    """hs.txt is whole: twenty CR LF lines, a quoted name and a score per place, scores never rising."""
    with open(path, "rb") as f:
        data = f.read()
    lines = data.split(b"\r\n")
    if len(lines) != 21 or lines[-1] != b"":
        raise Failure("hs.txt is not twenty CR LF lines: %r" % data[:200])
    scores = []
    for place in range(10):
        name, score = lines[2 * place], lines[2 * place + 1]
        if not re.fullmatch(rb'"[^"\r\n]*"', name) or not re.fullmatch(rb"\d+", score):
            raise Failure("hs.txt place %d is not a quoted name and a score: %r %r" % (place + 1, name, score))
        scores.append(int(score))
    if scores != sorted(scores, reverse=True):
        raise Failure("hs.txt scores are not in order: %s" % scores)
    return data


def check_exit(status):
    if status != 0:
        raise Failure("lexidrop exited with status %s" % status)


def check_no_failures_reported(soak):
    errors = soak.game.stderr()
    if "failed" in errors:
        raise Failure("the program reported failures:\n" + errors)


def check_memory(soak, min_games):
    """Resident memory after the last game within 10 % of that after the first."""
    if len(soak.rss_after_game) < min_games:
        print("only %d games ended: memory growth not judged (needs %d)" % (len(soak.rss_after_game), min_games))
        return
    first, last = soak.rss_after_game[0], soak.rss_after_game[-1]
    print("RSS after the first game %d KiB, after the last %d KiB (%+.1f %%)"
          % (first, last, 100.0 * (last - first) / first))
    if last > first * 1.10:
        raise Failure("resident memory grew by more than 10 % between the first and the last game")


# -- main ------------------------------------------------------------------

def run(args):
    with desktop_session.XSession(window_manager=True) as session:
        soak, hs = start(session, args.bindir, random.Random(args.seed))
        print("soaking for %s s on %s (seed %s)" % (args.seconds, session.display, args.seed), flush=True)
        play(soak, args.seconds)
        check_table(hs)
        status = close_game(soak)
        check_exit(status)
        table = check_table(hs)
        print("actions:", ", ".join("%s %d" % kv for kv in sorted(soak.actions.items())))
        print("games lost %d, names typed %d, hs.txt whole (%d bytes)" % (soak.games, len(soak.names), len(table)))
        check_no_failures_reported(soak)
        check_memory(soak, args.min_games)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bindir", default="build/release/bin", help="directory of lexidrop and its bitmaps")
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--seconds", type=float, help="instead of --minutes")
    parser.add_argument("--seed", type=int, default=None, help="random seed (default: from the clock, printed)")
    parser.add_argument("--min-games", type=int, default=2,
                        help="games that must end before memory growth is judged (default %(default)s)")
    args = parser.parse_args()
    if args.seconds is None:
        args.seconds = 60 * args.minutes
    if args.seed is None:
        args.seed = int(time.time())
    return desktop_session.run_checks(run, args, ("Xvfb", "xdotool", "openbox", "xprop", "xmessage"), note="(seed %s)" % args.seed)


if __name__ == "__main__":
    sys.exit(main())
