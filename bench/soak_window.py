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
import shutil
import subprocess
import sys
import tempfile
import time

import xscreen
from xscreen import Failure

MAIN_TITLE = "LexiDrop"
LOSE_TITLE = "lexidrop"       # the "You Lose" box
PROMPT_TITLE = "Lexidrop"     # the name prompt
HELP_TITLE = "Form2"
ABOUT_TITLE = "Feel free to contact me"
NAME_CHARACTERS = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -_.,"


class Soak:
    def __init__(self, env, process, main, rng, log):
        self.env, self.process, self.main, self.rng, self.log = env, process, main, rng, log
        self.games = 0
        self.names = []
        self.rss_after_game = []
        self.actions = {}

    def alive(self):
        if self.process.poll() is not None:
            raise Failure("lexidrop exited with status %s" % self.process.returncode)

    def key(self, *keys, window=None):
        self.alive()
        args = ["key", "--clearmodifiers", "--delay", "25"]
        if window is not None:
            args = ["key", "--delay", "25"]
        xscreen.xdotool(self.env, *args, *keys)

    def windows(self):
        """(id, exact title) of every mapped window of the program."""
        found = []
        for window in xscreen.xdotool(self.env, "search", "--onlyvisible", "--pid", self.process.pid).split():
            found.append((window, xscreen.window_name(self.env, window)))
        return found

    def activate(self, window):
        xscreen.xdotool(self.env, "windowactivate", "--sync", window)

    def answer_boxes(self):
        """Answers a "You Lose" box or a name prompt if one is showing; True if it did."""
        for window, title in self.windows():
            if window == self.main:
                continue
            if title == LOSE_TITLE:
                self.activate(window)
                self.key("Return")
                self.games += 1
                self.wait_gone(window, "the You Lose box")
                time.sleep(0.3)  # a name prompt may follow
                if not any(t == PROMPT_TITLE for _, t in self.windows()):
                    self.after_game()
                return True
            if title == PROMPT_TITLE:
                name = "".join(self.rng.choice(NAME_CHARACTERS) for _ in range(self.rng.randint(1, 12))).strip()
                self.activate(window)
                xscreen.xdotool(self.env, "type", "--delay", "20", name)
                self.key("Return")
                self.names.append(name)
                self.wait_gone(window, "the name prompt")
                self.after_game()
                return True
        return False

    def wait_gone(self, window, what):
        deadline = time.monotonic() + 10
        while any(w == window for w, _ in self.windows()):
            if time.monotonic() > deadline:
                raise Failure(what + " did not close on Return")
            time.sleep(0.05)

    def after_game(self):
        time.sleep(0.5)
        self.alive()
        self.rss_after_game.append(xscreen.rss_kib(self.process.pid))
        print("game %d over, RSS %d KiB, names so far %d" % (self.games, self.rss_after_game[-1], len(self.names)),
              flush=True)
        self.activate(self.main)

    def act(self, other):
        """One random thing a player or the desktop does."""
        titles = dict((t, w) for w, t in self.windows())
        choice = self.rng.choices(
            ["down", "sideways", "menu_key", "menu_click", "open_window", "close_window", "focus_away"],
            weights=[45, 25, 6, 4, 8, 6, 6])[0]
        self.actions[choice] = self.actions.get(choice, 0) + 1
        if choice in ("down", "sideways", "menu_key", "open_window"):
            self.activate(self.main)
        if choice == "down":
            self.key(*["Down"] * self.rng.randint(5, 25))
        elif choice == "sideways":
            arrow = self.rng.choice(["Left", "Right"])
            back = "Right" if arrow == "Left" else "Left"
            steps = self.rng.randint(1, 3)
            self.key(*[arrow] * steps)
            time.sleep(self.rng.uniform(0.05, 0.4))
            if self.rng.random() < 0.8:  # mostly back to column 3, so that games end
                self.key(*[back] * steps)
        elif choice == "menu_key":
            self.key(self.rng.choice(["alt+h", "alt+a"]))
            time.sleep(self.rng.uniform(0.1, 0.5))
            self.key("Escape")
        elif choice == "menu_click":
            self.activate(self.main)
            x = self.rng.choice([15, 55])  # over "Help" or "About" on the menu bar
            xscreen.xdotool(self.env, "mousemove", "--window", self.main, x, 10, "click", "1")
            time.sleep(self.rng.uniform(0.1, 0.5))
            self.key("Escape")
        elif choice == "open_window":
            self.key(self.rng.choice(["alt+h", "alt+a"]))
            time.sleep(0.2)
            self.key("Return")  # the menu's one item
        elif choice == "close_window":
            for title in (HELP_TITLE, ABOUT_TITLE):
                if title in titles:
                    self.activate(titles[title])
                    self.key("alt+F4")
                    break
        elif choice == "focus_away":
            self.activate(other)
            time.sleep(self.rng.uniform(0.1, 1.0))
            self.activate(self.main)


def check_table(path, names):
    data = open(path, "rb").read()
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


def run(args):
    scratch = tempfile.mkdtemp(prefix="lexidrop-soak-")
    server = wm = game = other = None
    wm_config = None
    rng = random.Random(args.seed)
    try:
        bindir = xscreen.copy_program(args.bindir, scratch)
        server, display = xscreen.start_xvfb()
        env = xscreen.x_environment(display)
        wm, wm_config = xscreen.start_openbox(env)
        other = subprocess.Popen(["xmessage", "-name", "soak_other", "another program"], env=env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        log = open(os.path.join(scratch, "stderr.txt"), "w+")
        game = subprocess.Popen([os.path.join(bindir, "lexidrop")], cwd=scratch, env=env,
                                stdout=subprocess.DEVNULL, stderr=log)
        main = None
        deadline = time.monotonic() + 60
        while main is None:
            for window in xscreen.xdotool(env, "search", "--onlyvisible", "--pid", game.pid).split():
                if xscreen.window_name(env, window) == MAIN_TITLE:
                    main = window
            if game.poll() is not None or time.monotonic() > deadline:
                raise Failure("the game window did not appear")
            time.sleep(0.1)
        others = []
        deadline = time.monotonic() + 20
        while not others:
            # xmessage does not give its pid to the window; its instance name is ours.
            others = xscreen.xdotool(env, "search", "--onlyvisible", "--classname", "^soak_other$").split()
            if time.monotonic() > deadline:
                raise Failure("the other program's window did not appear")
            time.sleep(0.1)
        soak = Soak(env, game, main, rng, log)
        soak.activate(main)
        print("soaking for %s s on %s (seed %s)" % (args.seconds, display, args.seed), flush=True)

        end = time.monotonic() + args.seconds
        while time.monotonic() < end:
            if soak.answer_boxes():
                continue
            soak.act(others[0])
            time.sleep(rng.uniform(0.02, 0.3))
            soak.alive()
        # Answer a box that came at the very end, then close the game as a desktop would.
        while soak.answer_boxes():
            pass
        soak.alive()
        hs = os.path.join(bindir, "hs.txt")
        check_table(hs, soak.names)
        # The program ends with its last window: the help and about windows
        # first, through the window manager, then the game's own.
        for window, title in soak.windows():
            if window != main:
                soak.activate(window)
                soak.key("alt+F4")
        soak.activate(main)
        soak.key("Escape")  # a menu left open would take the next key
        soak.key("alt+F4")
        try:
            status = game.wait(20)
        except subprocess.TimeoutExpired:
            raise Failure("lexidrop did not exit after its window was closed")
        if status != 0:
            raise Failure("lexidrop exited with status %s" % status)
        table = check_table(hs, soak.names)
        log.seek(0)
        errors = log.read()
        print("actions:", ", ".join("%s %d" % kv for kv in sorted(soak.actions.items())))
        print("games lost %d, names typed %d, hs.txt whole (%d bytes)" % (soak.games, len(soak.names), len(table)))
        if "failed" in errors:
            raise Failure("the program reported failures:\n" + errors)
        if len(soak.rss_after_game) >= args.min_games:
            first, last = soak.rss_after_game[0], soak.rss_after_game[-1]
            print("RSS after the first game %d KiB, after the last %d KiB (%+.1f %%)"
                  % (first, last, 100.0 * (last - first) / first))
            if last > first * 1.10:
                raise Failure("resident memory grew by more than 10 % between the first and the last game")
        else:
            print("only %d games ended: memory growth not judged (needs %d)" % (len(soak.rss_after_game),
                                                                                args.min_games))
        return 0
    finally:
        for process in (game, other, wm, server):
            xscreen.stop(process)
        shutil.rmtree(scratch, ignore_errors=True)
        if wm_config:
            shutil.rmtree(wm_config, ignore_errors=True)


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
    for tool in ("Xvfb", "xdotool", "openbox", "xprop", "xmessage"):
        if shutil.which(tool) is None:
            print("missing tool:", tool, file=sys.stderr)
            return 1
    try:
        return run(args)
    except Failure as failure:
        print("FAIL:", failure, "(seed %s)" % args.seed, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
