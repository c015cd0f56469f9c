#!/usr/bin/env python3
"""A save still under way when the game's window closes.

The real program starts from a scratch copy with no hs.txt, so its first
act is a save, while this script holds the lock of the program's folder
as another window's save would.  The window is then closed (Alt+F4, under
openbox).  When the lock comes free soon after, the program finishes the
save before it exits (status 0, a whole 70-byte table).  When it never
comes free, the program waits its bound, says in one line that the table
was not written, and exits with status 1, having written nothing.
"""

import argparse
import fcntl
import os
import sys
import threading
import time

from support import desktop_session, game_window
from support.desktop_session import Failure, wait_for


def close(session, game, window):
    """Closes the window through the window manager (Alt+F4), once the
    manager has made it the active one; again if a key came too early."""
    for _ in range(5):
        session.activate(window)
        wait_for("the window to be active",
                 lambda: game.alive() and session.xdotool("getactivewindow").strip() == window, 10)
        session.key("alt+F4")
        try:
            wait_for("the window to close", lambda: window not in session.windows("--pid", game.pid), 3)
            return
        except Failure:
            pass
    raise Failure("Alt+F4 did not close the window")


def close_with_save_pending(session, bindir, name, free_after):
    """Runs the game in its own copy, closes it with the folder locked; (status, stderr, table path)."""
    here = game_window.copy_program(bindir, os.path.join(session.scratch, name))
    folder = os.open(here, os.O_RDONLY | os.O_DIRECTORY)
    fcntl.flock(folder, fcntl.LOCK_EX)
    game = session.start([os.path.join(here, "lexidrop")], cwd=session.scratch)
    window = session.wait_for_window("LexiDrop", game)
    close(session, game, window)
    if free_after is not None:
        threading.Timer(free_after, lambda: os.close(folder)).start()
    closed = time.monotonic()
    status = game.wait(60)
    print("%s: exited with status %s %.1f s after the close" % (name, status, time.monotonic() - closed))
    if free_after is None:
        os.close(folder)
    return status, game.stderr(), os.path.join(here, "hs.txt")


def run(args):
    with desktop_session.XSession(window_manager=True) as session:
        status, said, table = close_with_save_pending(session, args.bindir, "freed", free_after=2)
        if status != 0 or not os.path.exists(table) or os.path.getsize(table) != 70:
            raise Failure("the save pending at the close was not finished (status %s):\n%s" % (status, said))
        status, said, table = close_with_save_pending(session, args.bindir, "stuck", free_after=None)
        lines = [line for line in said.splitlines() if "not written" in line]
        if status != 1 or len(lines) != 1 or table not in lines[0] or os.path.exists(table):
            raise Failure("a save stuck at the close was not said in one line (status %s):\n%s" % (status, said))
        print(lines[0])
        return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("bindir", help="the build's bin directory")
    args = parser.parse_args()
    return desktop_session.run_checks(run, args, ("Xvfb", "xdotool", "xprop", "openbox"))


if __name__ == "__main__":
    sys.exit(main())
